#include "net/device_search_record.h"

#include "sdk/device_search_protocol.h"

#include <algorithm>
#include <cstring>

namespace tarnwell {
namespace {

static_assert(kDeviceSearchRecordSize == devsearch::kRecordSize);

std::string SlotText(const uint8_t* slot, size_t length) {
    const auto* text = reinterpret_cast<const char*>(slot);
    return std::string(text, strnlen(text, length));
}

int32_t SignedLe32(const uint8_t* at) { return static_cast<int32_t>(devsearch::GetLe32(at)); }

DeviceSearchRow MakeRow(const DeviceSearchRecord& record) {
    return {record.address, record.mac, record.gateway, std::to_string(record.webPort), std::to_string(record.dataPort),
            std::to_string(record.mobilePort), record.deviceType};
}

} // namespace

DeviceSearchRecord ReadDeviceSearchRecord(const uint8_t* slot) {
    using namespace devsearch;
    DeviceSearchRecord record;
    record.address = SlotText(slot + kAddressOffset, kAddressLength);
    record.dataPort = SignedLe32(slot + kDataPortOffset);
    record.webPort = SignedLe32(slot + kWebPortOffset);
    record.mobilePort = SignedLe32(slot + kMobilePortOffset);
    record.gateway = SlotText(slot + kGatewayOffset, kGatewayLength);
    record.mac = SlotText(slot + kMacOffset, kMacLength);
    record.deviceType = SlotText(slot + kDeviceTypeOffset, kDeviceTypeLength);
    return record;
}

SearchResult ReadSearchResult(const uint8_t* buffer, size_t bufferSize, int32_t byteCount) {
    SearchResult result;
    if (byteCount <= 0 || buffer == nullptr) return result;
    size_t bytes = std::min(static_cast<size_t>(byteCount), bufferSize);
    size_t count = std::min(bytes / kDeviceSearchRecordSize, kMaxDeviceSearchRecords);
    result.outcome = count == 0 ? SearchOutcome::kNoDevice : SearchOutcome::kDevicesFound;
    for (size_t i = 0; i < count; ++i) result.rows.push_back(MakeRow(ReadDeviceSearchRecord(buffer + i * kDeviceSearchRecordSize)));
    return result;
}

const char* SearchOutcomeMessage(SearchOutcome outcome) {
    switch (outcome) {
    case SearchOutcome::kSearchFailed: return "Search Failed";
    case SearchOutcome::kNoDevice: return "no device";
    case SearchOutcome::kDevicesFound: break;
    }
    return "";
}

} // namespace tarnwell
