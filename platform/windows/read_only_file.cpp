#include "platform/read_only_file.h"

#include <windows.h>

namespace tarnwell {

namespace {

HANDLE Native(std::intptr_t handle) { return reinterpret_cast<HANDLE>(handle); }

} // namespace

ReadOnlyFile::~ReadOnlyFile() { Close(); }

bool ReadOnlyFile::Open(const std::string& path) {
    Close();
    HANDLE file = ::CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                                OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE) return false;
    // Folders fail to open above; pipes, consoles and devices are not disk files.
    if (::GetFileType(file) != FILE_TYPE_DISK) {
        ::CloseHandle(file);
        return false;
    }
    handle_ = reinterpret_cast<std::intptr_t>(file);
    return true;
}

size_t ReadOnlyFile::ReadAt(uint64_t offset, void* buffer, size_t length) {
    size_t got = 0;
    while (IsOpen() && got < length) {
        OVERLAPPED at{};
        const uint64_t position = offset + got;
        at.Offset = static_cast<DWORD>(position);
        at.OffsetHigh = static_cast<DWORD>(position >> 32);
        const size_t left = length - got;
        const DWORD ask = left > 0x40000000 ? 0x40000000 : static_cast<DWORD>(left);
        DWORD n = 0;
        if (!::ReadFile(Native(handle_), static_cast<char*>(buffer) + got, ask, &n, &at) || n == 0) break;
        got += n;
    }
    return got;
}

void ReadOnlyFile::Close() {
    if (IsOpen()) ::CloseHandle(Native(handle_));
    handle_ = kClosed;
}

} // namespace tarnwell
