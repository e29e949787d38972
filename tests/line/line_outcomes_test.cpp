// What the runner reports when a unit gives no evidence, or the wrong answer:
// a reason for every failure, "unconfirmed" where nothing can be known, and a
// journal that never counts such a MAC as written or hands it out again.
#include "journal/journal.h"
#include "journal/mac_number.h"
#include "line_fixture.h"
#include "line_schema.h"

using namespace tarnwell;
using namespace tarnwell::test;
using namespace std::chrono_literals;

namespace {

class LineOutcomesTest : public LineFixture {
protected:
    nlohmann::json StepLine(const LineRun& run, const std::string& step) {
        for (const auto& line : run.JsonLines())
            if (line["type"] == "step" && line["step"] == step) return line;
        ADD_FAILURE() << "no " << step << " line in " << run.out;
        return {};
    }
    std::optional<MacEntry> JournalMac(const std::string& mac) {
        return OpenJournal(settings.units.journal.location)->LookupMac(*ParseMacNumber(mac));
    }
};

} // namespace

TEST_F(LineOutcomesTest, ASilentLanguageQueryFailsWithItsReason) {
    settings.units.channelLimits.reply = 400ms;
    StartDevices(1);
    devices[0]->AddFault({sim::FaultKind::StaySilent, 0, CmdQuery});
    LineRun run = Run({"--json", "--language", "SimpChinese", devices[0]->Address()});
    EXPECT_EQ(run.exitStatus, 1);
    CheckJsonLines(run.JsonLines());
    const nlohmann::json step = StepLine(run, "language");
    EXPECT_EQ(step["result"], "failed");
    EXPECT_EQ(step["failure"], "reply_timeout");
    ASSERT_EQ(step["messages"].size(), 1u);
    EXPECT_EQ(step["messages"][0]["english"], "no answer to the language query");
}

TEST_F(LineOutcomesTest, AnAnswerThatIsNotTheLanguageListIsNotApplied) {
    sim::DeviceProfile profile;
    profile.languageQueryAnswer = QueryFlashLayout;
    StartDevices(1, profile);
    LineRun run = Run({"--json", "--language", "SimpChinese", devices[0]->Address()});
    EXPECT_EQ(run.exitStatus, 1);
    const nlohmann::json step = StepLine(run, "language");
    EXPECT_EQ(step["result"], "failed");
    EXPECT_EQ(step["failure"], "not_applied");
}

TEST_F(LineOutcomesTest, AMacBlockCutShortFailsAndTheAddressIsNotWritten) {
    StartDevices(1);
    devices[0]->AddFault({sim::FaultKind::CloseEarly, 0, CmdSetMac, 5});
    LineRun run = Run({"--json", "--mac", "02:00:00:00:07:01", devices[0]->Address()});
    EXPECT_EQ(run.exitStatus, 1);
    const nlohmann::json step = StepLine(run, "mac");
    EXPECT_EQ(step["result"], "failed");
    EXPECT_EQ(step["failure"], "connection_reset");
    auto entry = JournalMac("02:00:00:00:07:01");
    ASSERT_TRUE(entry);
    EXPECT_EQ(entry->state, MacState::Failed);
}

TEST_F(LineOutcomesTest, AnUnconfirmedMacIsNeverHandedOutAgain) {
    sim::DeviceProfile holding;
    holding.holdOpen = true;
    holding.idleTimeout = 2s;
    settings.units.channelLimits.closeWait = 300ms;
    StartDevices(1, holding);
    LineRun run = Run({"--json", "--mac", "02:00:00:00:07:02", "--time", devices[0]->Address()});
    EXPECT_EQ(run.exitStatus, 1) << "unconfirmed is not success";
    auto units = CheckJsonLines(run.JsonLines());
    EXPECT_EQ(StepLine(run, "mac")["result"], "unconfirmed");
    EXPECT_EQ(StepLine(run, "time")["result"], "unconfirmed");
    EXPECT_EQ(units.at(devices[0]->Address())["result"], "unconfirmed");
    auto entry = JournalMac("02:00:00:00:07:02");
    ASSERT_TRUE(entry);
    EXPECT_EQ(entry->state, MacState::Reserved);

    // The next job with the same address is refused before anything is sent.
    const int connections = devices[0]->ConnectionCount();
    LineRun again = Run({"--mac", "02:00:00:00:07:02", devices[0]->Address()});
    EXPECT_EQ(again.exitStatus, 2);
    EXPECT_EQ(devices[0]->ConnectionCount(), connections);
}
