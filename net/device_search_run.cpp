#include "net/device_search_run.h"

#include <vector>

namespace tarnwell {

SearchResult RunDeviceSearch(DeviceSearchLibrary& library, const std::string& adapterAddress, int32_t limitMs) {
    std::vector<uint8_t> buffer(kSearchResultBufferSize, 0);
    int32_t byteCount = 0;
    library.SearchDevices(reinterpret_cast<char*>(buffer.data()), static_cast<int32_t>(buffer.size()), &byteCount, limitMs,
                          adapterAddress.c_str());
    return ReadSearchResult(buffer.data(), buffer.size(), byteCount);
}

} // namespace tarnwell
