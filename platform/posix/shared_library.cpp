#include "platform/shared_library.h"

#include <climits>
#include <dlfcn.h>
#include <unistd.h>

namespace tarnwell {

SharedLibrary::SharedLibrary(const std::string& path) : handle_(::dlopen(path.c_str(), RTLD_NOW | RTLD_LOCAL)) {
    if (handle_ != nullptr) return;
    const char* reason = ::dlerror();
    loadError_ = reason ? reason : "the library cannot be loaded";
}

SharedLibrary::~SharedLibrary() {
    if (handle_) ::dlclose(handle_);
}

void* SharedLibrary::Entry(const char* name) const { return handle_ ? ::dlsym(handle_, name) : nullptr; }

std::string SharedLibraryFileName(std::string_view stem) { return "lib" + std::string(stem) + ".so"; }

std::string OwnExecutablePath() {
    char path[PATH_MAX] = {};
    const ssize_t length = ::readlink("/proc/self/exe", path, sizeof path - 1);
    return length > 0 ? std::string(path, static_cast<size_t>(length)) : std::string();
}

} // namespace tarnwell
