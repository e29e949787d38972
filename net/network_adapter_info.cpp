#include "net/network_adapter_info.h"

#include <cstddef>
#include <vector>

namespace tarnwell {
namespace {

template <typename Item, typename Project>
std::string TextAt(const std::vector<Item>& list, uint32_t index, Project project) {
    return index < list.size() ? project(list[index]) : std::string();
}

// Zero-filled storage aligned for the records packed into it.
using QueryBlock = std::vector<std::max_align_t>;
QueryBlock MakeBlock(uint32_t size) { return QueryBlock((size + sizeof(std::max_align_t) - 1) / sizeof(std::max_align_t)); }

// Runs a required-size query. The set may grow between the sizing call and the
// filling call, so the sizing is repeated a few times before giving up.
template <typename Query>
uint32_t RunSizedQuery(Query query, QueryBlock& block) {
    uint32_t size = 0;
    uint32_t result = query(nullptr, &size);
    for (int attempt = 0; attempt < 3 && result == kAdapterBufferOverflow; ++attempt) {
        block = MakeBlock(size);
        result = query(block.data(), &size);
    }
    return result;
}

} // namespace

int NetworkAdapterInfo::LoadFromPlatformRecord(const AdapterRecord* adapter, AdapterSource& source) {
    if (adapter == nullptr) return 0;
    *this = NetworkAdapterInfo{};
    adapterName_ = adapter->name;
    description_ = adapter->description;
    primaryWinsServer_ = adapter->primaryWinsServer.address;
    secondaryWinsServer_ = adapter->secondaryWinsServer.address;
    interfaceIndex_ = adapter->index;
    adapterType_ = adapter->type;
    dhcpEnabled_ = adapter->dhcpEnabled;
    haveWins_ = adapter->haveWins;
    leaseObtained_ = adapter->leaseObtained;
    leaseExpires_ = adapter->leaseExpires;
    dhcpServer_ = adapter->dhcpServer.address;
    currentAddress_ = adapter->currentAddress ? adapter->currentAddress->address : "0.0.0.0";
    currentMask_ = adapter->currentAddress ? adapter->currentAddress->mask : "0.0.0.0";
    for (const AddressEntry* entry = &adapter->addressList; entry; entry = entry->next) addresses_.emplace_back(entry->address, entry->mask);
    for (const AddressEntry* entry = &adapter->gatewayList; entry; entry = entry->next) gateways_.emplace_back(entry->address);

    QueryBlock block;
    uint32_t index = adapter->index;
    auto query = [&](void* buffer, uint32_t* size) { return GetPerAdapterInfo(source, index, buffer, size); };
    if (RunSizedQuery(query, block) != kAdapterQueryOk || block.empty()) return 0;
    const auto* record = reinterpret_cast<const PerAdapterRecord*>(block.data());
    for (const AddressEntry* entry = &record->dnsServerList; entry; entry = entry->next) dnsServers_.emplace_back(entry->address);
    return 1;
}

std::string NetworkAdapterInfo::AddressAt(uint32_t index) const {
    return TextAt(addresses_, index, [](const auto& pair) { return pair.first; });
}

std::string NetworkAdapterInfo::MaskAt(uint32_t index) const {
    return TextAt(addresses_, index, [](const auto& pair) { return pair.second; });
}

std::string NetworkAdapterInfo::GatewayAt(uint32_t index) const {
    return TextAt(gateways_, index, [](const std::string& text) { return text; });
}

std::string NetworkAdapterInfo::DnsServerAt(uint32_t index) const {
    return TextAt(dnsServers_, index, [](const std::string& text) { return text; });
}

uint32_t FillAdapterRecords(NetworkAdapterInfo* array, uint32_t capacity, uint32_t* needed, AdapterSource& source) {
    QueryBlock block;
    auto query = [&](void* buffer, uint32_t* size) { return GetAdaptersInfo(source, buffer, size); };
    bool filled = RunSizedQuery(query, block) == kAdapterQueryOk && !block.empty();
    const auto* first = filled ? reinterpret_cast<const AdapterRecord*>(block.data()) : nullptr;
    uint32_t count = 0;
    for (const AdapterRecord* adapter = first; adapter; adapter = adapter->next) ++count;
    uint32_t size = count * static_cast<uint32_t>(sizeof(NetworkAdapterInfo));
    if (needed) *needed = size;
    if (capacity < size) return kAdapterInsufficientBuffer;
    if (array == nullptr) return kAdapterQueryOk;
    for (const AdapterRecord* adapter = first; adapter; adapter = adapter->next) (array++)->LoadFromPlatformRecord(adapter, source);
    return kAdapterQueryOk;
}

} // namespace tarnwell
