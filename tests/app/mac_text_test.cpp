#include "text/mac_text.h"

#include <gtest/gtest.h>

#include <utility>
#include <vector>

#include "protocol/mac_text_block.h"

namespace tarnwell {
namespace {

std::string Stepped(const std::string& text) {
    std::string stepped = "unchanged";
    EXPECT_TRUE(StepMacText(text, stepped)) << text;
    return stepped;
}

TEST(MacTextTest, StepCarriesAndRewritesOnlyTouchedGroups) {
    const std::vector<std::pair<std::string, std::string>> steps{
        {"00:1a:2b:3c:4d:5e", "00:1a:2b:3c:4d:5F"},
        {"00:11:22:33:44:FF", "00:11:22:33:45:00"},
        {"00:11:22:33:FF:FF", "00:11:22:34:00:00"},
        {"FF:FF:FF:FF:FF:FF", "00:00:00:00:00:00"},
        {"0:1:2:3:4:5", "0:1:2:3:4:06"},
        {"0:1:2:3:4:ff", "0:1:2:3:05:00"},
        {":00:11:22:33:44:55:", "00:11:22:33:44:56"},
        {"00::11:::22:33:44:55", "00:11:22:33:44:56"},
    };
    for (const auto& [text, next] : steps) {
        EXPECT_EQ(ValidateMacText(text), kMacTextWellFormed) << text;
        EXPECT_EQ(Stepped(text), next) << text;
    }
}

TEST(MacTextTest, MalformedTextsAreRefusedAndNeverStepped) {
    EXPECT_EQ(ValidateMacText(""), kMacTextEmpty);
    for (const std::string text : {"00:11:22:33:44", "001:11:22:33:44:55", "00:11:22:33:44:55:66", ":::",
                                   "00:11:22:33:44:zz", "0g:11:22:33:44:55", "00:11:22:33:44:5 ",
                                   "00-11-22-33-44-55"}) {
        EXPECT_EQ(ValidateMacText(text), kMacTextMalformed) << text;
        std::string stepped = "unchanged";
        EXPECT_FALSE(StepMacText(text, stepped)) << text;
        EXPECT_EQ(stepped, "unchanged");
    }
    std::string stepped = "unchanged";
    EXPECT_FALSE(StepMacText("", stepped));
}

TEST(MacTextTest, TextsFillingTheWorkAreaAreRefused) {
    const std::string groups = "00:11:22:33:44:55";
    const auto padded = [&](std::size_t length) { return std::string(length - groups.size(), ':') + groups; };
    EXPECT_EQ(ValidateMacText(padded(255)), kMacTextWellFormed);
    EXPECT_EQ(Stepped(padded(255)), "00:11:22:33:44:56");
    EXPECT_EQ(ValidateMacText(padded(256)), kMacTextMalformed);
    EXPECT_EQ(ValidateMacText(padded(300)), kMacTextMalformed);
    std::string stepped;
    EXPECT_FALSE(StepMacText(padded(256), stepped));
}

TEST(MacTextBlockTest, HoldsTheTextItsNulAndZeros) {
    const auto block = MakeMacTextBlock("00:12:13:14:15:16");
    MacTextBlock expected{};
    const std::string text = "00:12:13:14:15:16";
    std::copy(text.begin(), text.end(), expected.begin());
    EXPECT_EQ(block, expected);
}

TEST(MacTextBlockTest, LongTextsNeverPassTheBlock) {
    const auto asText = [](const MacTextBlock& block) { return std::string(reinterpret_cast<const char*>(block.data())); };
    // Well formed but long only through its separators: the whole address still goes out.
    EXPECT_EQ(asText(MakeMacTextBlock(std::string(40, ':') + "00:11:22:33:44:55")), "00:11:22:33:44:55");
    const std::string thirtyTwo(32, 'a');
    EXPECT_EQ(asText(MakeMacTextBlock(thirtyTwo)), thirtyTwo);
    EXPECT_EQ(asText(MakeMacTextBlock(std::string(300, 'b'))), std::string(32, 'b'));
    EXPECT_EQ(MakeMacTextBlock(std::string(300, 'b')).back(), 0);
}

} // namespace
} // namespace tarnwell
