#include "net/arp_table.h"
#include "platform/ipv4_text.h"

#include <cstring>
#include <gtest/gtest.h>
#include <vector>

using namespace tarnwell;

namespace {

ArpRow RowFor(const char* address, uint32_t interfaceIndex) {
    ArpRow row{};
    row.interfaceIndex = interfaceIndex;
    EXPECT_TRUE(ParseIpv4(address, row.address)) << address;
    return row;
}

// A table behind the platform calls, with the size protocol of the real one.
struct FakeArp {
    std::vector<ArpRow> rows;
    std::vector<ArpRow> rowsAtFetch;  // rows seen by the second call, when set
    uint32_t storedCount = UINT32_MAX;  // row count written into the block, when set
    int queries = 0;
    std::vector<int> orders;
    std::vector<uint32_t> fetchSizes;
    std::vector<ArpRow> deleted;

    ArpPlatform Platform() {
        return {[this](ArpTable* table, uint32_t& size, int order) { return Query(table, size, order); },
                [this](const ArpRow& row) { deleted.push_back(row); }};
    }

    uint32_t Query(ArpTable* table, uint32_t& size, int order) {
        const std::vector<ArpRow>& now = (++queries > 1 && !rowsAtFetch.empty()) ? rowsAtFetch : rows;
        orders.push_back(order);
        if (now.empty()) return kArpTableNoData;
        const uint32_t needed = static_cast<uint32_t>(4 + now.size() * sizeof(ArpRow));
        if (table == nullptr || size < needed) {
            size = needed;
            return kArpTableInsufficientBuffer;
        }
        fetchSizes.push_back(table->Size());
        const uint32_t count = storedCount != UINT32_MAX ? storedCount : static_cast<uint32_t>(now.size());
        std::memcpy(table->Data(), &count, 4);
        std::memcpy(table->Data() + 4, now.data(), now.size() * sizeof(ArpRow));
        return kArpTableOk;
    }
};

} // namespace

TEST(ArpPurge, DeletesOnlyTheFirstExactTextMatch) {
    FakeArp fake;
    fake.rows = {RowFor("10.0.0.10", 1), RowFor("10.0.0.1", 2), RowFor("10.0.0.1", 3), RowFor("10.0.0.100", 4)};
    PurgeArpEntryFor("10.0.0.1", fake.Platform());
    ASSERT_EQ(fake.deleted.size(), 1u);
    EXPECT_EQ(fake.deleted[0].interfaceIndex, 2u);
    EXPECT_EQ(fake.orders, (std::vector<int>{1, 1}));
    EXPECT_EQ(fake.fetchSizes, (std::vector<uint32_t>{4 + 4 * sizeof(ArpRow)}));
}

TEST(ArpPurge, TextsThatAreNotTheSameDottedFormDeleteNothing) {
    FakeArp fake;
    fake.rows = {RowFor("10.0.0.1", 1), RowFor("0.0.0.0", 2)};
    for (const char* text : {"010.0.0.1", "10.0.0.1 ", "10.0.0.2", ""}) PurgeArpEntryFor(text, fake.Platform());
    EXPECT_TRUE(fake.deleted.empty());
    // A blank address control gives 0.0.0.0, which matches only such a row.
    PurgeArpEntryFor("0.0.0.0", fake.Platform());
    ASSERT_EQ(fake.deleted.size(), 1u);
    EXPECT_EQ(fake.deleted[0].interfaceIndex, 2u);
}

TEST(ArpPurge, EmptyTableIsNeverFetched) {
    FakeArp fake;
    EXPECT_EQ(LoadArpTable(1, fake.Platform()), nullptr);
    PurgeArpEntryFor("10.0.0.1", fake.Platform());
    EXPECT_EQ(fake.queries, 2);  // one size query per attempt, no fetch
    EXPECT_TRUE(fake.fetchSizes.empty());
    EXPECT_TRUE(fake.deleted.empty());
}

TEST(ArpPurge, TableThatGrewBeforeTheFetchDeletesNothingAndIsNotRetried) {
    FakeArp fake;
    fake.rows = {RowFor("10.0.0.1", 1)};
    fake.rowsAtFetch = {RowFor("10.0.0.1", 1), RowFor("10.0.0.2", 1)};
    PurgeArpEntryFor("10.0.0.1", fake.Platform());
    EXPECT_EQ(fake.queries, 2);
    EXPECT_TRUE(fake.deleted.empty());
}

TEST(ArpPurge, RowCountBeyondTheBlockIsNotWalkedPast) {
    FakeArp fake;
    fake.rows = {RowFor("10.0.0.2", 1), RowFor("10.0.0.3", 1)};
    fake.storedCount = 1000;
    ArpTableHandle table = LoadArpTable(1, fake.Platform());
    ASSERT_NE(table, nullptr);
    EXPECT_EQ(table->RowCount(), 2u);
    FreeArpTable(table);
    EXPECT_EQ(table, nullptr);
    FreeArpTable(table);  // an absent table is fine
    PurgeArpEntryFor("0.0.0.0", fake.Platform());
    EXPECT_TRUE(fake.deleted.empty());
}
