#include "net/network_adapter_enumerator.h"
#include "net/network_adapter_info.h"
#include "support/platform_limits.h"

#include <algorithm>
#include <gtest/gtest.h>

using namespace tarnwell;
using tarnwell::test::NoLoopbackAdapter;
using tarnwell::test::PlatformLimit;

namespace {

AdapterSnapshot Adapter(const std::string& name, uint32_t index, const std::string& address, const std::string& mask,
                        std::vector<std::string> gateways, std::vector<std::string> dns) {
    AdapterSnapshot adapter;
    adapter.name = adapter.description = name;
    adapter.index = index;
    adapter.addresses = {{address, mask}};
    adapter.gateways = std::move(gateways);
    adapter.dnsServers = std::move(dns);
    return adapter;
}

// Serves `before` for the first `readsBeforeChange` reads, then `after`.
class FakeAdapterSource : public AdapterSource {
public:
    explicit FakeAdapterSource(std::vector<AdapterSnapshot> adapters) : before(adapters), after(std::move(adapters)) {}
    std::vector<AdapterSnapshot> ReadAdapters() override { return reads++ < readsBeforeChange ? before : after; }

    std::vector<AdapterSnapshot> before, after;
    int readsBeforeChange = 1 << 30;
    int reads = 0;
};

const AdapterSnapshot kFirst = Adapter("eth0", 2, "192.0.2.10", "255.255.255.0", {"192.0.2.1"}, {"198.51.100.1", "198.51.100.2"});
const AdapterSnapshot kSecond = Adapter("eth1", 3, "203.0.113.7", "255.255.255.128", {}, {"198.51.100.9"});

} // namespace

TEST(AdapterList, SystemListIncludesLoopbackWithItsMask) {
    std::vector<AdapterRow> rows;
    ASSERT_EQ(NetworkAdapterEnumerator().ListAdapters(rows), 1);
    if (const PlatformLimit limit = NoLoopbackAdapter()) GTEST_SKIP() << limit.reason;
    auto loopback = std::find_if(rows.begin(), rows.end(), [](const AdapterRow& row) { return row.address == "127.0.0.1"; });
    ASSERT_NE(loopback, rows.end());
    EXPECT_EQ(loopback->mask, "255.0.0.0");
    EXPECT_FALSE(loopback->description.empty());
}

TEST(AdapterList, RowsFollowPlatformOrderAndAppendToExistingRows) {
    FakeAdapterSource source({kFirst, kSecond});
    std::vector<AdapterRow> rows(1);
    rows[0].description = "kept";
    ASSERT_EQ(NetworkAdapterEnumerator(source).ListAdapters(rows), 1);
    ASSERT_EQ(rows.size(), 3u);
    EXPECT_EQ(rows[0].description, "kept");
    const AdapterRow& first = rows[1];
    EXPECT_EQ(first.description, "eth0");
    EXPECT_EQ(first.address, "192.0.2.10");
    EXPECT_EQ(first.mask, "255.255.255.0");
    EXPECT_EQ(first.gateway, "192.0.2.1");
    EXPECT_EQ(first.firstDnsServer, "198.51.100.1");
    EXPECT_EQ(first.secondDnsServer, "198.51.100.2");
    // No gateway and a single DNS server leave those texts empty.
    const AdapterRow& second = rows[2];
    EXPECT_EQ(second.description, "eth1");
    EXPECT_EQ(second.mask, "255.255.255.128");
    EXPECT_EQ(second.gateway, "");
    EXPECT_EQ(second.firstDnsServer, "198.51.100.9");
    EXPECT_EQ(second.secondDnsServer, "");
}

TEST(AdapterList, FillNeedsExactlyTheReportedCapacity) {
    FakeAdapterSource source({kFirst, kSecond});
    uint32_t needed = 0;
    ASSERT_EQ(FillAdapterRecords(nullptr, 0, &needed, source), 122u);
    ASSERT_EQ(needed, 2 * sizeof(NetworkAdapterInfo));

    std::vector<NetworkAdapterInfo> shortArray(2);
    EXPECT_EQ(FillAdapterRecords(shortArray.data(), needed - 1, &needed, source), 122u);
    EXPECT_EQ(shortArray[0].DescriptionText(), "");

    std::vector<NetworkAdapterInfo> array(2);
    EXPECT_EQ(FillAdapterRecords(array.data(), needed, &needed, source), 0u);
    EXPECT_EQ(array[0].DescriptionText(), "eth0");
    EXPECT_EQ(array[1].AddressAt(0), "203.0.113.7");
}

TEST(AdapterList, AccessorsGiveEmptyTextPastTheEnd) {
    AdapterSnapshot adapter = kFirst;
    adapter.addresses.push_back({"192.0.2.11", "255.255.255.0"});
    adapter.currentAddress = -1;
    FakeAdapterSource source({adapter});
    std::vector<NetworkAdapterInfo> array(1);
    uint32_t needed = sizeof(NetworkAdapterInfo);
    ASSERT_EQ(FillAdapterRecords(array.data(), needed, &needed, source), 0u);
    const NetworkAdapterInfo& info = array[0];
    EXPECT_EQ(info.AddressAt(1), "192.0.2.11");
    EXPECT_EQ(info.CurrentAddressText(), "0.0.0.0");
    EXPECT_EQ(info.CurrentMaskText(), "0.0.0.0");
    for (uint32_t index : {2u, 0x80000000u, 0xffffffffu}) {
        EXPECT_EQ(info.AddressAt(index), "");
        EXPECT_EQ(info.MaskAt(index), "");
        EXPECT_EQ(info.DnsServerAt(index), "");
    }
    EXPECT_EQ(info.GatewayAt(1), "");
}

TEST(AdapterList, UnreadableDnsLeavesTheRestOfTheRecord) {
    AdapterSnapshot adapter = kFirst;
    adapter.dnsReadable = false;
    FakeAdapterSource source({adapter});
    std::vector<uint8_t> block(4096);
    uint32_t size = static_cast<uint32_t>(block.size());
    ASSERT_EQ(GetAdaptersInfo(source, block.data(), &size), 0u);
    NetworkAdapterInfo info;
    EXPECT_EQ(info.LoadFromPlatformRecord(reinterpret_cast<const AdapterRecord*>(block.data()), source), 0);
    EXPECT_EQ(info.AddressAt(0), "192.0.2.10");
    EXPECT_EQ(info.DnsServerAt(0), "");
    EXPECT_EQ(info.LoadFromPlatformRecord(nullptr, source), 0);
}

TEST(AdapterList, NoAdaptersPrintsTheMessageAndLeavesRows) {
    FakeAdapterSource source({});
    std::vector<AdapterRow> rows(2);
    testing::internal::CaptureStdout();
    EXPECT_EQ(NetworkAdapterEnumerator(source).ListAdapters(rows), 0);
    EXPECT_EQ(testing::internal::GetCapturedStdout(), "No Network Adapters Found on System.\r\n");
    EXPECT_EQ(rows.size(), 2u);
}

// The sizing call reads the set twice (size, then fill); later reads see the change.
TEST(AdapterList, SetChangingBetweenSizingAndFillingGivesNoBlankRows) {
    FakeAdapterSource shrinking({kFirst, kSecond});
    shrinking.after = {kSecond};
    shrinking.readsBeforeChange = 2;
    std::vector<AdapterRow> rows;
    ASSERT_EQ(NetworkAdapterEnumerator(shrinking).ListAdapters(rows), 1);
    ASSERT_EQ(rows.size(), 1u);
    EXPECT_EQ(rows[0].description, "eth1");

    FakeAdapterSource growing({kFirst});
    growing.after = {kFirst, kSecond};
    growing.readsBeforeChange = 2;
    rows.clear();
    ASSERT_EQ(NetworkAdapterEnumerator(growing).ListAdapters(rows), 1);
    ASSERT_EQ(rows.size(), 2u);
    EXPECT_EQ(rows[1].address, "203.0.113.7");
}

TEST(AdapterList, ParsesDefaultGatewaysAndNameservers) {
    const char* routes =
        "Iface\tDestination\tGateway \tFlags\tRefCnt\tUse\tMetric\tMask\t\tMTU\tWindow\tIRTT\n"
        "eth0\t00000000\t010200C0\t0003\t0\t0\t0\t00000000\t0\t0\t0\n"
        "eth0\t000200C0\t00000000\t0001\t0\t0\t0\t00FFFFFF\t0\t0\t0\n"
        "eth1\t00000000\tZZ\t0003\t0\t0\t0\t00000000\t0\t0\t0\n";
    auto gateways = ParseDefaultGateways(routes);
    ASSERT_EQ(gateways.size(), 1u);
    EXPECT_EQ(gateways[0].first, "eth0");
    EXPECT_EQ(gateways[0].second, "192.0.2.1");

    auto servers = ParseNameservers("# comment\nnameserver 198.51.100.1\nnameserver ::1\nsearch example\nnameserver 198.51.100.2 \n");
    EXPECT_EQ(servers, (std::vector<std::string>{"198.51.100.1", "198.51.100.2"}));
}
