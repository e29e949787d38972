// The search result as the library leaves it: the first four bytes are the
// reported byte count (little-endian, signed), the rest the result buffer.
#include "net/device_search_record.h"

#include <cstdint>
#include <vector>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size < 4) return 0;
    int32_t count = static_cast<int32_t>(data[0] | (uint32_t{data[1]} << 8) | (uint32_t{data[2]} << 16) | (uint32_t{data[3]} << 24));
    std::vector<uint8_t> buffer(data + 4, data + size); // exact size, so any overrun is caught
    tarnwell::SearchResult result = tarnwell::ReadSearchResult(buffer.data(), buffer.size(), count);
    if (result.rows.size() > buffer.size() / tarnwell::kDeviceSearchRecordSize) __builtin_trap();
    return 0;
}
