#include "platform/posix/neighbour_table.h"

#include <arpa/inet.h>
#include <gtest/gtest.h>

#include "support/temp_dir.h"

using namespace tarnwell;

namespace {

constexpr uint32_t kSeedSequence = 0x1234;

std::vector<uint8_t> Seed(const char* name) {
    auto bytes = test::ReadFileBytes(std::string(TARNWELL_SOURCE_DIR) + "/tests/fuzz/corpus/neighbour_dump_parse_fuzz/" + name);
    return std::vector<uint8_t>(bytes.begin(), bytes.end());
}

} // namespace

TEST(NeighbourDumpParse, ReadsEntriesAndEndOfDump) {
    std::vector<NeighbourEntry> entries;
    auto two = Seed("two_entries");
    ASSERT_FALSE(two.empty());
    EXPECT_EQ(ParseNeighbourDump(two.data(), two.size(), kSeedSequence, entries), NeighbourDumpStep::More);
    ASSERT_EQ(entries.size(), 2u);
    EXPECT_EQ(entries[0].address, ::inet_addr("10.77.0.9"));
    EXPECT_EQ(entries[1].address, ::inet_addr("10.77.0.10"));
    EXPECT_EQ(entries[1].interfaceIndex, 2u);

    auto last = Seed("entry_then_done");
    EXPECT_EQ(ParseNeighbourDump(last.data(), last.size(), kSeedSequence, entries), NeighbourDumpStep::Done);
    EXPECT_EQ(entries.size(), 3u);

    auto error = Seed("error");
    EXPECT_EQ(ParseNeighbourDump(error.data(), error.size(), kSeedSequence, entries), NeighbourDumpStep::Failed);
}

TEST(NeighbourDumpParse, IgnoresOtherRequestsAndCutMessages) {
    std::vector<NeighbourEntry> entries;
    auto two = Seed("two_entries");
    EXPECT_EQ(ParseNeighbourDump(two.data(), two.size(), kSeedSequence + 1, entries), NeighbourDumpStep::More);
    EXPECT_TRUE(entries.empty());
    // The second message cut short: only the first is read.
    EXPECT_EQ(ParseNeighbourDump(two.data(), two.size() - 1, kSeedSequence, entries), NeighbourDumpStep::More);
    EXPECT_EQ(entries.size(), 1u);
}
