#include "net/device_search_library.h"

#include <dlfcn.h>
#include <filesystem>
#include <system_error>

namespace tarnwell {
namespace {

template <typename Function>
Function Resolve(void* handle, const char* symbol) {
    return handle ? reinterpret_cast<Function>(::dlsym(handle, symbol)) : nullptr;
}

} // namespace

DeviceSearchLibrary::DeviceSearchLibrary(const std::string& path)
    : handle_(path.empty() ? nullptr : ::dlopen(path.c_str(), RTLD_NOW | RTLD_LOCAL)),
      open_(Resolve<TwSearchOpenFn>(handle_, TW_SEARCH_OPEN_SYMBOL)),
      close_(Resolve<TwSearchCloseFn>(handle_, TW_SEARCH_CLOSE_SYMBOL)),
      search_(Resolve<TwSearchDevicesFn>(handle_, TW_SEARCH_DEVICES_SYMBOL)) {
    if (IsLoaded()) return;
    const char* reason = path.empty() ? "no library path" : ::dlerror();
    loadError_ = reason ? reason : "an entry is missing";
}

DeviceSearchLibrary::~DeviceSearchLibrary() {
    if (handle_) ::dlclose(handle_);
}

int DeviceSearchLibrary::Open(int32_t reserved, void* owner) { return open_ ? open_(reserved, owner) : 0; }

int DeviceSearchLibrary::Close() { return close_ ? close_() : 0; }

int DeviceSearchLibrary::SearchDevices(char* buffer, int32_t bufferSize, int32_t* byteCount, int32_t limitMs,
                                       const char* adapterAddress) {
    if (search_) return search_(buffer, bufferSize, byteCount, limitMs, adapterAddress);
    if (byteCount) *byteCount = 0;
    return 0;
}

#ifndef TARNWELL_INSTALLED_LIBRARY_FOLDER
#define TARNWELL_INSTALLED_LIBRARY_FOLDER ""
#endif
// Set by cmake/Packaging.cmake to where the package puts the library.
const char kInstalledLibraryFolder[] = TARNWELL_INSTALLED_LIBRARY_FOLDER;

std::string DeviceSearchLibraryPathFor(const std::string& programPath) {
    if (programPath.empty()) return {};
    const std::filesystem::path folder = std::filesystem::path(programPath).parent_path();
    const std::filesystem::path beside = folder / kDeviceSearchLibraryName;
    std::error_code error;
    if (*kInstalledLibraryFolder && !std::filesystem::exists(beside, error)) {
        const std::filesystem::path installed =
            (folder / kInstalledLibraryFolder / kDeviceSearchLibraryName).lexically_normal();
        if (std::filesystem::exists(installed, error)) return installed.string();
    }
    return beside.string();
}

std::string DefaultDeviceSearchLibraryPath() {
    std::error_code error;
    std::filesystem::path program = std::filesystem::read_symlink("/proc/self/exe", error);
    if (error || program.empty()) return {};
    return DeviceSearchLibraryPathFor(program.string());
}

} // namespace tarnwell
