#pragma once
// The device-search library, loaded at run time. Its three entries stand for
// ordinals 1, 2 and 134 of the device maker's library (sdk/device_search_sdk.h).
// A library or entry that cannot be found never crashes the caller: a search
// then reports failure with a byte count of 0. The entries are virtual so that
// a caller's tests can watch them.
#include "platform/shared_library.h"
#include "sdk/device_search_sdk.h"

#include <cstdint>
#include <memory>
#include <string>

namespace tarnwell {

class DeviceSearchLibrary {
public:
    explicit DeviceSearchLibrary(const std::string& path);
    virtual ~DeviceSearchLibrary();
    DeviceSearchLibrary(const DeviceSearchLibrary&) = delete;
    DeviceSearchLibrary& operator=(const DeviceSearchLibrary&) = delete;

    // All three entries were found.
    bool IsLoaded() const { return open_ && close_ && search_; }
    // Why the library is not loaded (the loader's words); empty when it is.
    const std::string& LoadError() const { return loadError_; }

    // Ordinal 1; 0 when the entry is missing.
    virtual int Open(int32_t reserved, void* owner);
    // Ordinal 2; 0 when the entry is missing.
    virtual int Close();
    // Ordinal 134. With the entry missing, *byteCount becomes 0 and the result is 0.
    virtual int SearchDevices(char* buffer, int32_t bufferSize, int32_t* byteCount, int32_t limitMs, const char* adapterAddress);

private:
    std::unique_ptr<SharedLibrary> library_;
    TwSearchOpenFn open_ = nullptr;
    TwSearchCloseFn close_ = nullptr;
    TwSearchDevicesFn search_ = nullptr;
    std::string loadError_;
};

inline const std::string kDeviceSearchLibraryName = SharedLibraryFileName("tarnwell_devsearch");

// The package's private folder for the library, relative to the programs'
// folder (e.g. "../lib/x86_64-linux-gnu/tarnwell"); empty when not packaged.
extern const char kInstalledLibraryFolder[];

// Where a program at programPath finds the library: beside it (the build
// tree), else in kInstalledLibraryFolder (an installed package), so no loader
// path is needed; the path beside it when neither exists. Empty for an empty
// programPath.
std::string DeviceSearchLibraryPathFor(const std::string& programPath);

// DeviceSearchLibraryPathFor the running program; empty when its path cannot
// be found.
std::string DefaultDeviceSearchLibraryPath();

} // namespace tarnwell
