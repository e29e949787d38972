#include "line/address_list.h"
#include "line/serial_source.h"
#include "support/temp_dir.h"

#include <gtest/gtest.h>

using namespace tarnwell::line;
using namespace tarnwell::test;

namespace {

std::vector<std::string> Expand(const std::string& argument) {
    std::vector<uint32_t> addresses;
    std::string error;
    if (!AppendAddressArgument(argument, addresses, error)) return {"error: " + error};
    std::vector<std::string> texts;
    for (uint32_t address : addresses) texts.push_back(FormatUnitAddress(address));
    return texts;
}

} // namespace

TEST(LineAddresses, RangesAndTheirMistakes) {
    EXPECT_EQ(Expand("127.0.0.254-127.0.1.1"),
              (std::vector<std::string>{"127.0.0.254", "127.0.0.255", "127.0.1.0", "127.0.1.1"}));
    EXPECT_EQ(Expand("127.0.0.2-4"), (std::vector<std::string>{"127.0.0.2", "127.0.0.3", "127.0.0.4"}));
    EXPECT_EQ(Expand("127.0.0.7-127.0.0.7"), (std::vector<std::string>{"127.0.0.7"}));
    for (const char* bad : {"127.0.0", "127.0.0.1.5", "127.0.0.256", "127.0.0.-1", "127.0.0.1a", " 127.0.0.1",
                            "127.0.0.5-127.0.0.4", "10.0.0.0-10.1.0.0", "127.0.0.2-300", "0.0.0.0"})
        EXPECT_EQ(Expand(bad)[0].rfind("error: ", 0), 0u) << bad;
    EXPECT_FALSE(FirstDuplicate({1, 2, 3}));
    EXPECT_EQ(FirstDuplicate({5, 2, 5}), 5u);
}

TEST(LineSerials, PatternCountsUpFromItsCounter) {
    std::string error;
    auto pattern = ParseSerialPattern("SN-{098}-X", error);
    ASSERT_TRUE(pattern);
    EXPECT_EQ(pattern->Nth(0), "SN-098-X");
    EXPECT_EQ(pattern->Nth(2), "SN-100-X");
    EXPECT_EQ(pattern->Nth(902), "SN-1000-X"); // outgrows its width rather than wrapping
    for (const char* bad : {"SN", "SN-{}", "SN-{12", "SN-{1x}", "A{1}B{2}"})
        EXPECT_FALSE(ParseSerialPattern(bad, error)) << bad;
}

TEST(LineSerials, FileMapsAddressesAndRefusesMistakes) {
    TempDir dir;
    WriteFileBytes(dir.File("ok.csv"), "address,serial\n# spare\n127.0.0.2, SN-A \r\n\n127.0.0.3,SN-B\n");
    std::string error;
    auto serials = ReadSerialFile(dir.File("ok.csv"), error);
    ASSERT_TRUE(serials) << error;
    EXPECT_EQ(serials->size(), 2u);
    EXPECT_EQ(serials->at(0x7F000002), "SN-A");
    for (const char* bad : {"127.0.0.2\n", "127.0.0.2,\n", "127.0.0.2,A\nnot-an-address,B\n", "127.0.0.2,A\n127.0.0.2,B\n"}) {
        WriteFileBytes(dir.File("bad.csv"), bad);
        EXPECT_FALSE(ReadSerialFile(dir.File("bad.csv"), error)) << bad;
        EXPECT_NE(error.find("bad.csv:"), std::string::npos) << error;
    }
    EXPECT_FALSE(ReadSerialFile(dir.File("missing.csv"), error));
}
