#pragma once
// One device search as the search dialog runs it: a fresh zero-filled result
// buffer of 32800 bytes, the library's search with a 4000 ms limit on the
// adapter address (empty when no adapter was found), then the rows read back.
#include "net/device_search_library.h"
#include "net/device_search_record.h"

#include <string>

namespace tarnwell {

SearchResult RunDeviceSearch(DeviceSearchLibrary& library, const std::string& adapterAddress,
                             int32_t limitMs = kSearchTimeLimitMs);

} // namespace tarnwell
