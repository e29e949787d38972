// The language update as every front end needs it: a match sets the
// language, anything else says why nothing was set.
#include "device/setting_operations.h"
#include "protocol/command_block.h"
#include "session_fixture.h"

using namespace tarnwell;
using namespace tarnwell::test;
using namespace std::chrono_literals;

namespace {

class LanguageOutcomeTest : public SessionFixture {};

} // namespace

TEST_F(LanguageOutcomeTest, AListedLanguageIsSetOnASecondConnectionEvenFromATerseSplitReply) {
    sim::DeviceProfile profile;
    profile.replies.shortReplies = true;
    profile.replies.pieces = 3;
    profile.replies.piecePause = 400ms;
    UseDevice(profile);
    const Outcome outcome = UpdateLanguage(session, "SimpChinese", 1);
    EXPECT_EQ(outcome.result, StepResult::Ok) << outcome.reason.english;
    EXPECT_TRUE(outcome.details.languageFound);
    ASSERT_TRUE(device->WaitUntilIdle());
    ASSERT_EQ(device->ExchangesWithCode(CmdSetLanguage).size(), 1u);
    EXPECT_EQ(device->ExchangesWithCode(CmdSetLanguage)[0].payload[3], 1);
}

TEST_F(LanguageOutcomeTest, EveryOtherAnswerSaysWhyNothingWasSet) {
    {
        UseDevice().AddFault({sim::FaultKind::StaySilent, 0, CmdQuery});
        session.limits.reply = 400ms;
        const Outcome silent = UpdateLanguage(session, "SimpChinese", 1);
        EXPECT_EQ(silent.failure, FailureKind::ReplyTimeout);
        EXPECT_EQ(silent.reason.english, "no answer to the language query");
        EXPECT_TRUE(heard.English().empty()) << "the console stays silent here";
    }
    {
        sim::DeviceProfile profile;
        profile.languageQueryAnswer = QueryFlashLayout;
        profile.flashLayoutDigits = "8000000000000000";
        UseDevice(profile);
        std::atomic<int> layout{0};
        session.flashLayout = &layout;
        const Outcome other = UpdateLanguage(session, "SimpChinese", 1);
        EXPECT_EQ(other.result, StepResult::Failed);
        EXPECT_EQ(other.failure, FailureKind::NotApplied);
        EXPECT_EQ(layout.load(), 8);
        ASSERT_TRUE(device->WaitUntilIdle());
        EXPECT_TRUE(device->ExchangesWithCode(CmdSetLanguage).empty());
    }
    {
        UseDevice();
        const Outcome missing = UpdateLanguage(session, "Klingon", 1);
        EXPECT_EQ(missing.result, StepResult::Refused);
        EXPECT_EQ(missing.failure, FailureKind::Unsupported);
        EXPECT_EQ(heard.English(), std::vector<std::string>{"does not support this language!"});
    }
}
