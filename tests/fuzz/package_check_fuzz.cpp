// Any bytes as a package file: the check must stay inside its buffers and
// leave a table that never points past the end of the file.
#include <fcntl.h>
#include <sys/mman.h>
#include <unistd.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>

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

bool WriteAll(int fd, const uint8_t* data, size_t size) {
    while (size > 0) {
        const ssize_t written = ::write(fd, data, size);
        if (written <= 0) return false;
        data += written;
        size -= static_cast<size_t>(written);
    }
    return true;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const int fd = ::memfd_create("package", 0);
    if (fd < 0) std::abort();
    if (!WriteAll(fd, data, size)) std::abort();
    const std::string path = "/proc/self/fd/" + std::to_string(fd);

    tarnwell::PackageTable table{};
    int result = 0;
    {
        QuietStdout quiet;
        result = tarnwell::CheckUpgradePackage(path, table);
    }
    ::close(fd);

    bool ended = false;
    for (const auto& entry : table) {
        if (!entry.present) {
            ended = true;
            continue;
        }
        // Entries are filled in file order without gaps.
        if (ended) std::abort();
        if (uint64_t{entry.dataOffset} + entry.size > size) std::abort();
        if (entry.type < 0 || entry.type > tarnwell::kUnknownMemberType) std::abort();
    }
    if (result == 1 && (!table[0].present || table[0].type != tarnwell::kInstallDescriptionType)) std::abort();
    return 0;
}
