#include "support/console_fixture.h"

using namespace tarnwell;
using namespace tarnwell::test;

namespace {

DeviceReply Reply(uint8_t kind, uint8_t flag, const std::string& text = {}, uint32_t value = 0) {
    std::vector<uint8_t> bytes(128, 0);
    bytes[0] = kind;
    PutLittleEndian32(&bytes[4], value);
    bytes[8] = flag;
    for (size_t i = 0; i < text.size() && i < 96; ++i) bytes[32 + i] = static_cast<uint8_t>(text[i]);
    return MakeDeviceReply(bytes.data(), bytes.size());
}

class DecodeReplyTest : public ConsoleFixture {};

} // namespace

TEST_F(DecodeReplyTest, VerdictKindsSetAcceptedOrRefused) {
    for (uint8_t kind : {186, 215, 216}) {
        ReplyVerdict verdict;
        EXPECT_EQ(console.DecodeReply(Reply(kind, 0), verdict), 1);
        EXPECT_EQ(verdict.replyStatus, 2) << int(kind);
        EXPECT_EQ(console.DecodeReply(Reply(kind, 7), verdict), 1);
        EXPECT_EQ(verdict.replyStatus, 1) << int(kind);
    }
}

TEST_F(DecodeReplyTest, UnknownAndOutOfRangeKindsChangeNothing) {
    for (uint8_t kind : {0, 15, 16, 177, 200, 209, 241, 255}) {
        ReplyVerdict verdict{5, 9};
        EXPECT_EQ(console.DecodeReply(Reply(kind, 1, "English|"), verdict), 1);
        EXPECT_EQ(verdict.replyStatus, 5);
        EXPECT_EQ(verdict.captureLen, 9);
    }
    EXPECT_TRUE(ui.Messages().empty());
}

TEST_F(DecodeReplyTest, CaptureReplyCarriesTheLength) {
    ReplyVerdict verdict;
    console.DecodeReply(Reply(218, 1, {}, 0x1000), verdict);
    EXPECT_EQ(verdict.captureLen, 4096);
    EXPECT_EQ(verdict.replyStatus, 1);
}

TEST_F(DecodeReplyTest, UpdateFailedIsReportedWithoutStateChange) {
    ReplyVerdict verdict{1, 0};
    EXPECT_EQ(console.DecodeReply(Reply(240, 1), verdict), 1);
    EXPECT_EQ(verdict.replyStatus, 1);
    EXPECT_EQ(ui.Messages(), std::vector<std::string>{"更新失败!"});
}

TEST_F(DecodeReplyTest, FlashLayoutComesFromTheFirstDigit) {
    ReplyVerdict verdict;
    console.DecodeReply(Reply(180, 0x22, "8000000000000000"), verdict);
    EXPECT_EQ(console.FlashLayoutFlag.load(), 8);
    console.DecodeReply(Reply(180, 0x22, "0100000000000000"), verdict);
    EXPECT_EQ(console.FlashLayoutFlag.load(), 0);
    console.DecodeReply(Reply(180, 0x22, "F000000000000000"), verdict);
    EXPECT_EQ(console.FlashLayoutFlag.load(), 15);
    // A short text ends in its NUL, which counts like any character: 0 - 55.
    console.DecodeReply(Reply(180, 0x22, ""), verdict);
    EXPECT_EQ(console.FlashLayoutFlag.load(), (16 * -55 - 55 + 4 * 256) % 256 / 16); // 5
    console.DecodeReply(Reply(180, 0x22, "8"), verdict);
    EXPECT_EQ(console.FlashLayoutFlag.load(), (16 * 8 - 55) / 16); // 4
    // Another console (another unit on the line) keeps its own.
    FakeConsoleUi otherUi;
    OperatorConsole other(otherUi);
    EXPECT_EQ(other.FlashLayoutFlag.load(), 0);
}

TEST_F(DecodeReplyTest, LanguageListMatchesOnlyWholeSeparatedNames) {
    auto& sim = UseDevice();
    ui.languageText = "SimpChinese";
    ui.languageSelection = 1;
    ReplyVerdict verdict;

    EXPECT_EQ(console.DecodeReply(Reply(180, 0x14, "English|SimpChinese|"), verdict), 1);
    EXPECT_EQ(console.languageMatched.load(), 1);

    console.languageMatched = 0;
    EXPECT_EQ(console.DecodeReply(Reply(180, 0x14, "English|SimpChinese"), verdict), 0);
    // After "&&" the next name starts with the second "&".
    EXPECT_EQ(console.DecodeReply(Reply(180, 0x14, "English&&SimpChinese|"), verdict), 0);
    EXPECT_EQ(console.DecodeReply(Reply(180, 0x14, "simpchinese|"), verdict), 0);
    EXPECT_EQ(ui.Messages(), std::vector<std::string>(3, "不支持这种语言!"));

    ASSERT_TRUE(sim.WaitUntilIdle());
    auto set = sim.ExchangesWithCode(CmdSetLanguage);
    ASSERT_EQ(set.size(), 1u);
    EXPECT_EQ(std::vector<uint8_t>(set[0].payload.begin(), set[0].payload.begin() + 8),
              Bytes({0, 0, 0, 1, 4, 0, 0, 0}));
}
