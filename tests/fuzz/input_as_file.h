#pragma once
// For fuzz targets whose parser reads a file: the input as an in-memory file
// with a path, and standard output silenced while the parser prints.
#include <fcntl.h>
#include <sys/mman.h>
#include <unistd.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>

namespace tarnwell::fuzz {

class InputAsFile {
public:
    InputAsFile(const uint8_t* data, size_t size) : fd_(::memfd_create("fuzz-input", 0)) {
        if (fd_ < 0) std::abort();
        for (size_t done = 0; done < size;) {
            const ssize_t n = ::write(fd_, data + done, size - done);
            if (n <= 0) std::abort();
            done += static_cast<size_t>(n);
        }
    }
    ~InputAsFile() { ::close(fd_); }
    InputAsFile(const InputAsFile&) = delete;
    InputAsFile& operator=(const InputAsFile&) = delete;

    std::string Path() const { return "/proc/self/fd/" + std::to_string(fd_); }

private:
    int fd_;
};

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
    QuietStdout(const QuietStdout&) = delete;
    QuietStdout& operator=(const QuietStdout&) = delete;

private:
    int saved_;
};

} // namespace tarnwell::fuzz
