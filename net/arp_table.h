#pragma once
// The local ARP cache as one table block, fetched with the two-call size
// protocol of the platform (ask the size, then fetch into exactly that size),
// and the purge of one device's entry before an action reaches the device.
#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>

namespace tarnwell {

// One row as the table block holds it (24 bytes).
struct ArpRow {
    uint32_t interfaceIndex;
    uint32_t physicalAddressLength;
    uint8_t physicalAddress[8];
    uint32_t address;  // IPv4, network order
    uint32_t type;
};
static_assert(sizeof(ArpRow) == 24);

// Results of the table query.
inline constexpr uint32_t kArpTableOk = 0;
inline constexpr uint32_t kArpTableInsufficientBuffer = 122;
inline constexpr uint32_t kArpTableNoData = 232;

// A zero-filled block: a 32-bit row count, then the rows.
class ArpTable {
public:
    // Nothing when the block cannot be allocated.
    static std::unique_ptr<ArpTable> Allocate(uint32_t size);

    std::byte* Data() { return block_.get(); }
    uint32_t Size() const { return size_; }
    // The row count as stored, but never more rows than the block holds.
    uint32_t RowCount() const;
    ArpRow Row(uint32_t index) const;

private:
    ArpTable(std::unique_ptr<std::byte[]> block, uint32_t size) : block_(std::move(block)), size_(size) {}
    std::unique_ptr<std::byte[]> block_;
    uint32_t size_;
};

using ArpTableHandle = std::unique_ptr<ArpTable>;

// The platform calls the purge relies on; tests put a fake table behind them.
struct ArpPlatform {
    // With no table (or one too small) sets `size` to the needed size and
    // returns kArpTableInsufficientBuffer when rows exist; fills the table and
    // returns kArpTableOk when it fits; anything else is a failure.
    std::function<uint32_t(ArpTable* table, uint32_t& size, int order)> getIpNetTable;
    // Removes the entry the row describes; the outcome is not reported.
    std::function<void(const ArpRow& row)> deleteIpNetEntry;
};

// The kernel's neighbour cache (rows sorted by address when order is non-zero).
const ArpPlatform& SystemArpPlatform();

// Size query, then a fetch into a block of exactly that size; nothing on any
// failure, including a table that grew in between. No retry.
ArpTableHandle LoadArpTable(int order, const ArpPlatform& platform = SystemArpPlatform());
// Releases a table; does nothing for an absent one.
void FreeArpTable(ArpTableHandle& table);

// Deletes the first row whose dotted address text equals `deviceAddressText`
// exactly; later rows with the same address stay. Silent on every failure.
void PurgeArpEntryFor(const std::string& deviceAddressText, const ArpPlatform& platform = SystemArpPlatform());

} // namespace tarnwell
