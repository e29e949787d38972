#include "protocol/member_data.h"

#include "platform/read_only_file.h"

namespace tarnwell {

void MemberBytes::Release() {
    bytes_.reset();
    size_ = 0;
}

bool MemberBytes::Allocate(size_t size) {
    Release();
    if (size == 0) return true;
    auto* bytes = static_cast<uint8_t*>(AllocateLargeBuffer(size));
    if (bytes == nullptr) return false;
    bytes_.reset(bytes);
    size_ = size;
    return true;
}

MemberRead ReadMemberData(const std::string& packagePath, const PackageMember& member, MemberBytes& data) {
    data.Release();
    ReadOnlyFile file;
    if (!file.Open(packagePath)) return MemberRead::CannotOpen;
    if (!data.Allocate(member.size)) return MemberRead::NoMemory;
    if (file.ReadAt(member.dataOffset, data.Writable(), data.size()) != data.size()) {
        data.Release();
        return MemberRead::Short;
    }
    return MemberRead::Complete;
}

} // namespace tarnwell
