#include "sdk/subnet_broadcast.h"

#include "platform/ipv4_text.h"

#include <gtest/gtest.h>

using namespace tarnwell;
using tarnwell::devsearch::SubnetBroadcastIn;

namespace {

uint32_t Address(const char* text) {
    uint32_t address = 0;
    EXPECT_TRUE(ParseDottedIpv4(text, address)) << text;
    return address;
}

std::string BroadcastText(const std::vector<InterfaceAddress>& adapters, const char* local) {
    const auto broadcast = SubnetBroadcastIn(adapters, Address(local));
    return broadcast ? FormatIpv4(*broadcast) : "none";
}

} // namespace

TEST(SubnetBroadcast, IsTheBroadcastOfTheAdapterHoldingTheAddress) {
    const std::vector<InterfaceAddress> adapters = {{Address("10.1.2.3"), Address("255.0.0.0")},
                                                    {Address("192.168.7.20"), Address("255.255.255.0")}};
    EXPECT_EQ(BroadcastText(adapters, "192.168.7.20"), "192.168.7.255");
    EXPECT_EQ(BroadcastText(adapters, "10.1.2.3"), "10.255.255.255");
    // An address of the subnet that no adapter holds is no adapter address.
    EXPECT_EQ(BroadcastText(adapters, "192.168.7.21"), "none");
}

TEST(SubnetBroadcast, LoopbackHostServesWithoutAnAdapterButNoOther127Address) {
    // Windows lists no loopback adapter; the simulator still lives on 127.0.0.1.
    const std::vector<InterfaceAddress> noLoopback = {{Address("192.168.7.20"), Address("255.255.255.0")}};
    EXPECT_EQ(BroadcastText(noLoopback, "127.0.0.1"), "127.255.255.255");
    EXPECT_EQ(BroadcastText(noLoopback, "127.0.0.5"), "none");
    EXPECT_EQ(BroadcastText({}, "127.1.2.3"), "none");
    // Where loopback is an adapter, its own mask decides.
    const std::vector<InterfaceAddress> withLoopback = {{Address("127.0.0.1"), Address("255.0.0.0")},
                                                        {Address("127.0.0.5"), Address("255.255.255.255")}};
    EXPECT_EQ(BroadcastText(withLoopback, "127.0.0.1"), "127.255.255.255");
    EXPECT_EQ(BroadcastText(withLoopback, "127.0.0.5"), "127.0.0.5");
}
