#pragma once
// A local file opened for reading in binary, read at any offset.
#include <cstddef>
#include <cstdint>
#include <cstdint>
#include <string>

namespace tarnwell {

class ReadOnlyFile {
public:
    ReadOnlyFile() = default;
    ~ReadOnlyFile();
    ReadOnlyFile(const ReadOnlyFile&) = delete;
    ReadOnlyFile& operator=(const ReadOnlyFile&) = delete;

    // Opens a plain file; a folder, a pipe or a device counts as a file that
    // cannot be opened, and opening never blocks (a named pipe would wait for
    // a writer). Other readers and writers may keep the file open.
    bool Open(const std::string& path);
    bool IsOpen() const { return handle_ != kClosed; }
    // Reads up to `length` bytes at `offset`, going on after short reads;
    // the count read, which is less at the end of the file or on an error.
    size_t ReadAt(uint64_t offset, void* buffer, size_t length);
    void Close();

private:
    static constexpr std::intptr_t kClosed = -1;
    std::intptr_t handle_ = kClosed;
};

} // namespace tarnwell
