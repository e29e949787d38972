#pragma once
// The device-search library, loaded at run time. Its three entries stand for
// ordinals 1, 2 and 134 of the device maker's library (sdk/device_search_sdk.h).
// A library or entry that cannot be found never crashes the caller: a search
// then reports failure with a byte count of 0. The entries are virtual so that
// a caller's tests can watch them.
#include "sdk/device_search_sdk.h"

#include <cstdint>
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

    // Ordinal 1; 0 when the entry is missing.
    virtual int Open(int32_t reserved, void* owner);
    // Ordinal 2; 0 when the entry is missing.
    virtual int Close();
    // Ordinal 134. With the entry missing, *byteCount becomes 0 and the result is 0.
    virtual int SearchDevices(char* buffer, int32_t bufferSize, int32_t* byteCount, int32_t limitMs, const char* adapterAddress);

private:
    void* handle_ = nullptr;
    TwSearchOpenFn open_ = nullptr;
    TwSearchCloseFn close_ = nullptr;
    TwSearchDevicesFn search_ = nullptr;
};

// libtarnwell_devsearch.so in the folder of the running program; empty when
// that folder cannot be found.
std::string DefaultDeviceSearchLibraryPath();

} // namespace tarnwell
