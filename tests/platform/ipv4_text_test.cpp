#include "platform/ipv4_text.h"

#include <gtest/gtest.h>

using namespace tarnwell;

namespace {

// The address as host-order number, or -1 when the text is refused.
int64_t Parsed(const std::string& text) {
    uint32_t address = 0;
    return ParseIpv4(text, address) ? static_cast<int64_t>(HostOrder(address)) : -1;
}

int64_t ParsedDotted(const std::string& text) {
    uint32_t address = 0;
    return ParseDottedIpv4(text, address) ? static_cast<int64_t>(HostOrder(address)) : -1;
}

} // namespace

TEST(Ipv4Text, ParsesEveryFormTheAddressConversionAccepts) {
    EXPECT_EQ(Parsed("192.168.1.20"), 0xC0A80114);
    EXPECT_EQ(Parsed("255.255.255.255"), 0xFFFFFFFF); // the broadcast address is no error
    EXPECT_EQ(Parsed("0.0.0.0"), 0);
    // Fewer parts: the last fills the remaining bytes.
    EXPECT_EQ(Parsed("127.1"), 0x7F000001);
    EXPECT_EQ(Parsed("10.1.513"), 0x0A010201);
    EXPECT_EQ(Parsed("3232235796"), 0xC0A80114);
    // Octal and hexadecimal parts.
    EXPECT_EQ(Parsed("0x7f.0.0.1"), 0x7F000001);
    EXPECT_EQ(Parsed("010.0.0.1"), 0x08000001);
    EXPECT_EQ(Parsed("0XFF.0.0.0"), 0xFF000000);
    // Text after a blank is ignored.
    EXPECT_EQ(Parsed("1.2.3.4 and more"), 0x01020304);
}

TEST(Ipv4Text, RefusesTextThatIsNoAddress) {
    for (const char* text : {"", "1.2.3.4.5", "256.1.1.1", "1.256.1.1", "1.2.65536", "1.16777216", "4294967296",
                             "1.2.3.4x", "08.1.1.1", "0x", "1..2.3", ".1.2.3", "1.2.3.", "not an address", "-1.2.3.4",
                             "1.2.3.0x100"}) {
        EXPECT_EQ(Parsed(text), -1) << text;
    }
}

TEST(Ipv4Text, DottedFormIsExactlyFourDecimalParts) {
    EXPECT_EQ(ParsedDotted("127.0.0.1"), 0x7F000001);
    EXPECT_EQ(ParsedDotted("0.0.0.0"), 0);
    EXPECT_EQ(ParsedDotted("255.255.255.255"), 0xFFFFFFFF);
    for (const char* text : {"127.1", "01.2.3.4", "1.2.3.256", "1.2.3.4 ", " 1.2.3.4", "0x7f.0.0.1", "1.2.3.4.5",
                             "1234.1.1.1", "1.2.3.", ""}) {
        EXPECT_EQ(ParsedDotted(text), -1) << text;
    }
}

TEST(Ipv4Text, FormatsWithoutLeadingZerosAndRoundTrips) {
    EXPECT_EQ(FormatIpv4(NetworkOrder(0x7F000001)), "127.0.0.1");
    EXPECT_EQ(FormatIpv4(NetworkOrder(0x0A00000A)), "10.0.0.10");
    EXPECT_EQ(FormatIpv4(NetworkOrder(0xFFFFFFFF)), "255.255.255.255");
    for (uint32_t host : {0u, 0x01020304u, 0xC0A80001u, 0x7FFFFFFFu}) {
        uint32_t back = 0;
        ASSERT_TRUE(ParseDottedIpv4(FormatIpv4(NetworkOrder(host)), back));
        EXPECT_EQ(HostOrder(back), host);
    }
}

TEST(Ipv4Text, NetworkOrderPutsTheFirstOctetInTheFirstByte) {
    const uint32_t network = NetworkOrder(0xC0A80114);
    const auto* bytes = reinterpret_cast<const uint8_t*>(&network);
    EXPECT_EQ(bytes[0], 192);
    EXPECT_EQ(bytes[1], 168);
    EXPECT_EQ(bytes[2], 1);
    EXPECT_EQ(bytes[3], 20);
}
