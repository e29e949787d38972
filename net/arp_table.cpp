#include "net/arp_table.h"

#include "platform/ipv4_text.h"

#include <cstring>
#include <new>

namespace tarnwell {

std::unique_ptr<ArpTable> ArpTable::Allocate(uint32_t size) {
    std::unique_ptr<std::byte[]> block(new (std::nothrow) std::byte[size]());
    if (!block) return nullptr;
    return std::unique_ptr<ArpTable>(new (std::nothrow) ArpTable(std::move(block), size));
}

uint32_t ArpTable::RowCount() const {
    if (size_ < sizeof(uint32_t)) return 0;
    uint32_t stored = 0;
    std::memcpy(&stored, block_.get(), sizeof stored);
    const uint32_t fitting = (size_ - sizeof(uint32_t)) / sizeof(ArpRow);
    return stored < fitting ? stored : fitting;
}

ArpRow ArpTable::Row(uint32_t index) const {
    ArpRow row{};
    if (index < RowCount()) std::memcpy(&row, block_.get() + sizeof(uint32_t) + index * sizeof(ArpRow), sizeof row);
    return row;
}

ArpTableHandle LoadArpTable(int order, const ArpPlatform& platform) {
    uint32_t size = 0;
    if (platform.getIpNetTable(nullptr, size, order) != kArpTableInsufficientBuffer) return nullptr;
    ArpTableHandle table = ArpTable::Allocate(size);
    if (!table) return nullptr;
    if (platform.getIpNetTable(table.get(), size, order) != kArpTableOk) return nullptr;
    return table;
}

void FreeArpTable(ArpTableHandle& table) { table.reset(); }

void PurgeArpEntryFor(const std::string& deviceAddressText, const ArpPlatform& platform) {
    ArpTableHandle table = LoadArpTable(1, platform);
    if (!table) return;
    const uint32_t rows = table->RowCount();
    for (uint32_t index = 0; index < rows; ++index) {
        const ArpRow row = table->Row(index);
        // The row text buffer of 128 bytes: any dotted address fits.
        const std::string text = FormatIpv4(row.address);
        if (deviceAddressText == text) {
            platform.deleteIpNetEntry(row);
            break;
        }
    }
    FreeArpTable(table);
}

} // namespace tarnwell
