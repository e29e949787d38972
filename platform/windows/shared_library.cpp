#include "platform/shared_library.h"

#include <windows.h>

#include <vector>

namespace tarnwell {

namespace {

std::string LastErrorText() {
    const DWORD code = ::GetLastError();
    char* text = nullptr;
    const DWORD length = ::FormatMessageA(FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS,
                                          nullptr, code, 0, reinterpret_cast<char*>(&text), 0, nullptr);
    std::string message = length > 0 && text ? std::string(text, length) : "error " + std::to_string(code);
    if (text) ::LocalFree(text);
    while (!message.empty() && (message.back() == '\n' || message.back() == '\r')) message.pop_back();
    return message;
}

} // namespace

SharedLibrary::SharedLibrary(const std::string& path) {
    // Only the given file: the library's own dependencies come from its folder.
    HMODULE module = ::LoadLibraryExA(path.c_str(), nullptr, LOAD_WITH_ALTERED_SEARCH_PATH);
    handle_ = reinterpret_cast<void*>(module);
    if (!handle_) loadError_ = path + ": " + LastErrorText();
}

SharedLibrary::~SharedLibrary() {
    if (handle_) ::FreeLibrary(reinterpret_cast<HMODULE>(handle_));
}

void* SharedLibrary::Entry(const char* name) const {
    return handle_ ? reinterpret_cast<void*>(::GetProcAddress(reinterpret_cast<HMODULE>(handle_), name)) : nullptr;
}

std::string SharedLibraryFileName(std::string_view stem) { return std::string(stem) + ".dll"; }

std::string OwnExecutablePath() {
    std::vector<char> path(MAX_PATH);
    for (;;) {
        const DWORD length = ::GetModuleFileNameA(nullptr, path.data(), static_cast<DWORD>(path.size()));
        if (length == 0) return {};
        if (length < path.size()) return std::string(path.data(), length);
        path.resize(path.size() * 2);
    }
}

} // namespace tarnwell
