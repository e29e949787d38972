// The ARP table calls of IP Helper. Its MIB_IPNETROW has the very layout of ArpRow.
#include "net/arp_table.h"

#include <winsock2.h>
#include <iphlpapi.h>

#include <cstring>

namespace tarnwell {

namespace {

static_assert(sizeof(MIB_IPNETROW) == sizeof(ArpRow));

uint32_t GetIpNetTable(ArpTable* table, uint32_t& size, int order) {
    ULONG platformSize = size;
    auto* block = table ? reinterpret_cast<MIB_IPNETTABLE*>(table->Data()) : nullptr;
    // Never more than the block really holds, whatever size the caller names.
    if (table && platformSize > table->Size()) platformSize = table->Size();
    const DWORD result = ::GetIpNetTable(block, &platformSize, order != 0 ? TRUE : FALSE);
    size = platformSize;
    return result;
}

void DeleteIpNetEntry(const ArpRow& row) {
    MIB_IPNETROW platformRow{};
    std::memcpy(&platformRow, &row, sizeof platformRow);
    ::DeleteIpNetEntry(&platformRow);
}

} // namespace

const ArpPlatform& SystemArpPlatform() {
    static const ArpPlatform platform{GetIpNetTable, DeleteIpNetEntry};
    return platform;
}

} // namespace tarnwell
