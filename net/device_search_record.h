#pragma once
// Reading the device-search result: whole 164-byte records from the start of
// the result buffer, as many as the reported byte count holds (at most 200).
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "sdk/device_search_protocol.h"

namespace tarnwell {

inline constexpr size_t kDeviceSearchRecordSize = devsearch::kRecordSize;
inline constexpr size_t kMaxDeviceSearchRecords = 200;
inline constexpr size_t kSearchResultBufferSize = kDeviceSearchRecordSize * kMaxDeviceSearchRecords; // 32800
inline constexpr int32_t kSearchTimeLimitMs = 4000;

// The fields of one record, as the device-search library writes them.
using DeviceSearchRecord = devsearch::DeviceFields;

// One record from its 164-byte slot; each text ends at its zero byte or at the
// end of its slot, whichever comes first.
DeviceSearchRecord ReadDeviceSearchRecord(const uint8_t* slot);

// One device as the list shows it, columns in order, ports in decimal.
struct DeviceSearchRow {
    std::string address;
    std::string mac;
    std::string gateway;
    std::string webPort;
    std::string dataPort;
    std::string mobilePort;
    std::string deviceType;
};

enum class SearchOutcome {
    kDevicesFound,
    kSearchFailed, // byte count 0 or negative
    kNoDevice,     // not one whole record
};

struct SearchResult {
    SearchOutcome outcome = SearchOutcome::kSearchFailed;
    std::vector<DeviceSearchRow> rows; // row i comes from record i
};

// The rows of a result buffer of `bufferSize` bytes of which the search reported
// `byteCount`. A count larger than the buffer is held to the buffer.
SearchResult ReadSearchResult(const uint8_t* buffer, size_t bufferSize, int32_t byteCount);

// "Search Failed", "no device", or empty when devices were found. Always English.
const char* SearchOutcomeMessage(SearchOutcome outcome);

} // namespace tarnwell
