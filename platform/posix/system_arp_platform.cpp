// The ARP table calls on top of the kernel's neighbour cache.
#include <algorithm>
#include <arpa/inet.h>
#include <cstring>
#include <linux/neighbour.h>
#include <vector>

#include "net/arp_table.h"
#include "platform/posix/neighbour_table.h"

namespace tarnwell {

namespace {

constexpr uint32_t kArpTableGeneralFailure = 31;

// Row types as the platform's table reports them.
constexpr uint32_t kRowInvalid = 2;
constexpr uint32_t kRowDynamic = 3;
constexpr uint32_t kRowStatic = 4;

uint32_t RowType(uint16_t state) {
    if (state & (NUD_PERMANENT | NUD_NOARP)) return kRowStatic;
    if (state & (NUD_FAILED | NUD_INCOMPLETE)) return kRowInvalid;
    return kRowDynamic;
}

ArpRow RowFrom(const NeighbourEntry& entry) {
    ArpRow row{};
    row.interfaceIndex = entry.interfaceIndex;
    row.physicalAddressLength = entry.linkAddressLength;
    std::memcpy(row.physicalAddress, entry.linkAddress, sizeof row.physicalAddress);
    row.address = entry.address;
    row.type = RowType(entry.state);
    return row;
}

uint32_t GetIpNetTable(ArpTable* table, uint32_t& size, int order) {
    std::vector<NeighbourEntry> entries;
    if (!ReadIpv4Neighbours(entries)) return kArpTableGeneralFailure;
    if (entries.empty()) return kArpTableNoData;
    const uint32_t needed = static_cast<uint32_t>(sizeof(uint32_t) + entries.size() * sizeof(ArpRow));
    if (table == nullptr || size < needed || table->Size() < needed) {
        size = needed;
        return kArpTableInsufficientBuffer;
    }
    if (order != 0) {
        std::stable_sort(entries.begin(), entries.end(), [](const NeighbourEntry& a, const NeighbourEntry& b) {
            return ntohl(a.address) < ntohl(b.address);
        });
    }
    const uint32_t count = static_cast<uint32_t>(entries.size());
    std::memcpy(table->Data(), &count, sizeof count);
    std::byte* cursor = table->Data() + sizeof count;
    for (const NeighbourEntry& entry : entries) {
        const ArpRow row = RowFrom(entry);
        std::memcpy(cursor, &row, sizeof row);
        cursor += sizeof row;
    }
    return kArpTableOk;
}

void DeleteIpNetEntry(const ArpRow& row) { DeleteIpv4Neighbour(row.interfaceIndex, row.address); }

} // namespace

const ArpPlatform& SystemArpPlatform() {
    static const ArpPlatform platform{GetIpNetTable, DeleteIpNetEntry};
    return platform;
}

} // namespace tarnwell
