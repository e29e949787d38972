// The language query against devices that do not send each reply as one
// 128-byte write: terse replies, a second reply in the same burst, a reply
// over several writes.
#include "protocol/command_block.h"
#include "support/console_fixture.h"

using namespace tarnwell;
using namespace tarnwell::test;

namespace {

class ReplyShapesTest : public ConsoleFixture, public ::testing::WithParamInterface<sim::ReplyShape> {};

sim::ReplyShape Shape(bool terse, bool burst, size_t pieces) {
    sim::ReplyShape shape;
    shape.shortReplies = terse;
    shape.twoInOneBurst = burst;
    shape.pieces = pieces;
    return shape;
}

} // namespace

TEST_P(ReplyShapesTest, LanguageIsMatchedAndSet) {
    sim::DeviceProfile profile;
    profile.replies = GetParam();
    UseDevice(profile);
    ui.languageText = "SimpChinese";
    ui.languageSelection = 1;
    console.PullFields();
    EXPECT_EQ(console.UpdateLanguage(), 1);
    EXPECT_EQ(console.languageMatched.load(), 1);
    EXPECT_TRUE(ui.Messages().empty());
    ASSERT_TRUE(device->WaitUntilIdle());
    auto set = device->ExchangesWithCode(CmdSetLanguage);
    ASSERT_EQ(set.size(), 1u);
    EXPECT_EQ(std::vector<uint8_t>(set[0].payload.begin(), set[0].payload.begin() + 8),
              Bytes({0, 0, 0, 1, 4, 0, 0, 0}));
}

INSTANTIATE_TEST_SUITE_P(Device, ReplyShapesTest,
                         ::testing::Values(Shape(true, false, 1), Shape(false, true, 1), Shape(true, true, 1),
                                           Shape(false, false, 2), Shape(true, false, 3)),
                         [](const auto& info) {
                             const sim::ReplyShape& s = info.param;
                             return std::string(s.shortReplies ? "Terse" : "Full") + (s.twoInOneBurst ? "Burst" : "") +
                                    "In" + std::to_string(s.pieces) + "Writes";
                         });
