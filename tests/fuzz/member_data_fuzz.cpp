// Any bytes as a package: every member the check enters must read back whole,
// so the upgrade never meets a short member it was told is there.
#include <fcntl.h>
#include <sys/mman.h>
#include <unistd.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "protocol/member_data.h"
#include "protocol/package_check.h"

namespace {

// The check prints its diagnostics; keep them out of the fuzzer's output.
class QuietStdout {
public:
    QuietStdout() : saved_(::dup(STDOUT_FILENO)) {
        std::fflush(stdout);
        const int null = ::open("/dev/null", O_WRONLY);
        ::dup2(null, STDOUT_FILENO);
        ::close(null);
    }
    ~QuietStdout() {
        std::fflush(stdout);
        ::dup2(saved_, STDOUT_FILENO);
        ::close(saved_);
    }

private:
    int saved_;
};

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const int fd = ::memfd_create("package", 0);
    if (fd < 0) std::abort();
    for (size_t done = 0; done < size;) {
        const ssize_t n = ::write(fd, data + done, size - done);
        if (n <= 0) std::abort();
        done += static_cast<size_t>(n);
    }
    const std::string path = "/proc/self/fd/" + std::to_string(fd);

    tarnwell::PackageTable table{};
    {
        QuietStdout quiet;
        tarnwell::CheckUpgradePackage(path, table);
    }
    for (const auto& member : table) {
        if (!member.present) break;
        tarnwell::MemberBytes bytes;
        if (tarnwell::ReadMemberData(path, member, bytes) != tarnwell::MemberRead::Complete) std::abort();
        if (bytes.size() != member.size) std::abort();
        if (member.size > 0 && std::memcmp(bytes.data(), data + member.dataOffset, member.size) != 0) std::abort();
    }
    // A member past the end of the file is never handed back short.
    tarnwell::MemberBytes bytes;
    tarnwell::PackageMember beyond{1, 2, static_cast<uint32_t>(size), 1};
    if (tarnwell::ReadMemberData(path, beyond, bytes) != tarnwell::MemberRead::Short || !bytes.empty()) std::abort();
    ::close(fd);
    return 0;
}
