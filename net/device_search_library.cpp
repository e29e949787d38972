#include "net/device_search_library.h"

#include "platform/shared_library.h"

#include <filesystem>
#include <system_error>

namespace tarnwell {
namespace {

template <typename Function>
Function Resolve(const SharedLibrary* library, const char* symbol) {
    return library ? reinterpret_cast<Function>(library->Entry(symbol)) : nullptr;
}

std::unique_ptr<SharedLibrary> LoadLibraryAt(const std::string& path) {
    return path.empty() ? nullptr : std::make_unique<SharedLibrary>(path);
}

} // namespace

DeviceSearchLibrary::DeviceSearchLibrary(const std::string& path)
    : library_(LoadLibraryAt(path)),
      open_(Resolve<TwSearchOpenFn>(library_.get(), TW_SEARCH_OPEN_SYMBOL)),
      close_(Resolve<TwSearchCloseFn>(library_.get(), TW_SEARCH_CLOSE_SYMBOL)),
      search_(Resolve<TwSearchDevicesFn>(library_.get(), TW_SEARCH_DEVICES_SYMBOL)) {
    if (IsLoaded()) return;
    if (!library_) loadError_ = "no library path";
    else if (!library_->IsLoaded()) loadError_ = library_->LoadError();
    else loadError_ = "an entry is missing";
}

DeviceSearchLibrary::~DeviceSearchLibrary() = default;

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
    const std::string program = OwnExecutablePath();
    if (program.empty()) return {};
    return DeviceSearchLibraryPathFor(program);
}

} // namespace tarnwell
