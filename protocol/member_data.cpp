#include "protocol/member_data.h"

#include <cstdio>
#include <memory>
#include <new>
#include <sys/types.h>

namespace tarnwell {

namespace {

struct FileCloser {
    void operator()(std::FILE* file) const { std::fclose(file); }
};

} // namespace

MemberRead ReadMemberData(const std::string& packagePath, const PackageMember& member, std::vector<uint8_t>& data) {
    data.clear();
    data.shrink_to_fit(); // the previous member's buffer must not stay alongside the new one
    std::unique_ptr<std::FILE, FileCloser> file(std::fopen(packagePath.c_str(), "rb"));
    if (!file) return MemberRead::CannotOpen;
    try {
        data.resize(member.size);
    } catch (const std::bad_alloc&) {
        return MemberRead::NoMemory;
    } catch (const std::length_error&) {
        return MemberRead::NoMemory;
    }
    if (::fseeko(file.get(), static_cast<off_t>(member.dataOffset), SEEK_SET) != 0 ||
        std::fread(data.data(), 1, data.size(), file.get()) != data.size()) {
        data.clear();
        data.shrink_to_fit();
        return MemberRead::Short;
    }
    return MemberRead::Complete;
}

} // namespace tarnwell
