#include "platform/read_only_file.h"

#include <cerrno>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace tarnwell {

ReadOnlyFile::~ReadOnlyFile() { Close(); }

bool ReadOnlyFile::Open(const std::string& path) {
    Close();
    struct stat kind {};
    if (::stat(path.c_str(), &kind) != 0 || !S_ISREG(kind.st_mode)) return false;
    const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK);
    if (fd < 0) return false;
    // The path may have changed between the two looks.
    struct stat info {};
    if (::fstat(fd, &info) != 0 || !S_ISREG(info.st_mode)) {
        ::close(fd);
        return false;
    }
    handle_ = fd;
    return true;
}

size_t ReadOnlyFile::ReadAt(uint64_t offset, void* buffer, size_t length) {
    size_t got = 0;
    while (IsOpen() && got < length) {
        const ssize_t n = ::pread(static_cast<int>(handle_), static_cast<char*>(buffer) + got, length - got,
                                  static_cast<off_t>(offset + got));
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) break;
        got += static_cast<size_t>(n);
    }
    return got;
}

void ReadOnlyFile::Close() {
    if (IsOpen()) ::close(static_cast<int>(handle_));
    handle_ = kClosed;
}

} // namespace tarnwell
