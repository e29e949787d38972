#include "protocol/member_data.h"

#include <cerrno>
#include <fcntl.h>
#include <sys/mman.h>
#include <unistd.h>

namespace tarnwell {

namespace {

// Filling a fresh buffer page by page costs more than reading the file from
// the cache; large members go into huge pages where the system offers them.
constexpr size_t kHugePage = 2 * 1024 * 1024;

class Descriptor {
public:
    explicit Descriptor(int fd) : fd_(fd) {}
    ~Descriptor() {
        if (fd_ >= 0) ::close(fd_);
    }
    Descriptor(const Descriptor&) = delete;
    Descriptor& operator=(const Descriptor&) = delete;
    int Get() const { return fd_; }

private:
    int fd_;
};

bool ReadExactly(int fd, uint8_t* out, size_t length, uint64_t offset) {
    size_t got = 0;
    while (got < length) {
        ssize_t n = ::pread(fd, out + got, length - got, static_cast<off_t>(offset + got));
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) return false;
        got += static_cast<size_t>(n);
    }
    return true;
}

} // namespace

void MemberBytes::Release() {
    bytes_.reset();
    size_ = 0;
}

bool MemberBytes::Allocate(size_t size) {
    Release();
    if (size == 0) return true;
    uint8_t* bytes = nullptr;
    if (size >= kHugePage) {
        bytes = static_cast<uint8_t*>(std::aligned_alloc(kHugePage, (size + kHugePage - 1) / kHugePage * kHugePage));
#ifdef MADV_HUGEPAGE
        if (bytes != nullptr) ::madvise(bytes, size, MADV_HUGEPAGE);
#endif
    } else {
        bytes = static_cast<uint8_t*>(std::malloc(size));
    }
    if (bytes == nullptr) return false;
    bytes_.reset(bytes);
    size_ = size;
    return true;
}

MemberRead ReadMemberData(const std::string& packagePath, const PackageMember& member, MemberBytes& data) {
    data.Release();
    Descriptor file(::open(packagePath.c_str(), O_RDONLY | O_CLOEXEC));
    if (file.Get() < 0) return MemberRead::CannotOpen;
    if (!data.Allocate(member.size)) return MemberRead::NoMemory;
    if (!ReadExactly(file.Get(), data.Writable(), data.size(), member.dataOffset)) {
        data.Release();
        return MemberRead::Short;
    }
    return MemberRead::Complete;
}

} // namespace tarnwell
