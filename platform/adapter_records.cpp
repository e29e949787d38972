#include "platform/adapter_records.h"

#include <cstring>
#include <new>

namespace tarnwell {
namespace {

template <size_t N>
void CopyText(char (&slot)[N], const std::string& text) {
    size_t length = text.size() < N - 1 ? text.size() : N - 1;
    std::memcpy(slot, text.data(), length);
    slot[length] = '\0';
}

size_t ExtraEntries(size_t listLength) { return listLength > 1 ? listLength - 1 : 0; }

// Fills the embedded first entry and links the rest from `spare`, which advances.
template <typename Item, typename Fill>
void FillList(AddressEntry& first, const std::vector<Item>& items, AddressEntry*& spare, Fill fill) {
    AddressEntry* last = &first;
    for (size_t i = 0; i < items.size(); ++i) {
        AddressEntry* entry = i == 0 ? &first : new (spare++) AddressEntry;
        fill(*entry, items[i]);
        if (i > 0) last->next = entry;
        last = entry;
    }
}

void FillAddress(AddressEntry& entry, const std::string& address) { CopyText(entry.address, address); }

bool ReportSize(size_t needed, void* buffer, uint32_t* size) {
    bool fits = buffer != nullptr && *size >= needed;
    if (!fits) *size = static_cast<uint32_t>(needed);
    return fits;
}

} // namespace

uint32_t PackAdapterRecords(const std::vector<AdapterSnapshot>& adapters, void* buffer, uint32_t* size) {
    if (size == nullptr) return kAdapterInsufficientBuffer;
    if (adapters.empty()) return kAdapterNoData;
    size_t entries = 0;
    for (const auto& adapter : adapters) entries += ExtraEntries(adapter.addresses.size()) + ExtraEntries(adapter.gateways.size());
    size_t needed = adapters.size() * sizeof(AdapterRecord) + entries * sizeof(AddressEntry);
    if (!ReportSize(needed, buffer, size)) return kAdapterBufferOverflow;

    auto* records = static_cast<AdapterRecord*>(buffer);
    auto* spare = reinterpret_cast<AddressEntry*>(records + adapters.size());
    for (size_t i = 0; i < adapters.size(); ++i) {
        const AdapterSnapshot& from = adapters[i];
        AdapterRecord* to = new (&records[i]) AdapterRecord;
        if (i + 1 < adapters.size()) to->next = &records[i + 1];
        to->index = from.index;
        to->type = from.type;
        CopyText(to->name, from.name);
        CopyText(to->description, from.description);
        FillList(to->addressList, from.addresses, spare, [](AddressEntry& entry, const auto& pair) {
            CopyText(entry.address, pair.first);
            CopyText(entry.mask, pair.second);
        });
        FillList(to->gatewayList, from.gateways, spare, FillAddress);
        if (from.currentAddress >= 0 && static_cast<size_t>(from.currentAddress) < from.addresses.size()) {
            AddressEntry* entry = &to->addressList;
            for (int k = 0; k < from.currentAddress; ++k) entry = entry->next;
            to->currentAddress = entry;
        }
    }
    return kAdapterQueryOk;
}

uint32_t PackDnsRecord(const std::vector<std::string>& servers, void* buffer, uint32_t* size) {
    if (size == nullptr) return kAdapterInsufficientBuffer;
    size_t needed = sizeof(PerAdapterRecord) + ExtraEntries(servers.size()) * sizeof(AddressEntry);
    if (!ReportSize(needed, buffer, size)) return kAdapterBufferOverflow;
    auto* record = new (buffer) PerAdapterRecord;
    auto* spare = reinterpret_cast<AddressEntry*>(record + 1);
    FillList(record->dnsServerList, servers, spare, FillAddress);
    return kAdapterQueryOk;
}

} // namespace tarnwell
