// Units as a line has them: still booting when the job starts, refusing a
// connection now and then, or going silent in the middle of a step.
#include "journal/journal.h"
#include "journal/mac_number.h"
#include "line_fixture.h"
#include "line_schema.h"

#include <chrono>

using namespace tarnwell;
using namespace tarnwell::test;

namespace {

using LineWaitingTest = LineFixture;
using Clock = std::chrono::steady_clock;

// The device's port stays closed for `delay` from now, as while it boots.
void KeepClosedFor(sim::SimulatedDevice& device, std::chrono::milliseconds delay) {
    device.AddFault({sim::FaultKind::RefuseConnection, 1, -1, 0, delay, 0});
}

std::string AllEnglish(const nlohmann::json& step) {
    std::string text;
    for (const auto& message : step["messages"]) text += message["english"].get<std::string>() + "\n";
    return text;
}

std::map<std::string, nlohmann::json> StepLines(const LineRun& run, const std::string& step) {
    std::map<std::string, nlohmann::json> lines;
    for (const auto& line : run.JsonLines())
        if (line["type"] == "step" && line["step"] == step) lines[line["unit"].get<std::string>()] = line;
    return lines;
}

} // namespace

TEST_F(LineWaitingTest, AUnitStillBootingIsWaitedForAndOneThatNeverAnswersFailsAlone) {
    StartDevices(2);
    sim::SimulatedDevice& booting = *devices[0];
    sim::SimulatedDevice& absent = *devices[1];
    KeepClosedFor(booting, std::chrono::milliseconds(1500));
    absent.StopListening();

    LineRun run = Run({"--json", "--wait-online", "4", "--time", booting.Address(), absent.Address()});
    EXPECT_EQ(run.exitStatus, 1);
    auto units = CheckJsonLines(run.JsonLines());
    auto online = StepLines(run, "online");

    EXPECT_EQ(units.at(booting.Address())["result"], "ok") << run.out;
    EXPECT_EQ(online.at(booting.Address())["result"], "ok");
    ASSERT_TRUE(booting.WaitUntilIdle());
    EXPECT_EQ(booting.ExchangesWithCode(CmdSetTime).size(), 1u);

    const auto& waited = online.at(absent.Address());
    EXPECT_EQ(waited["result"], "failed");
    EXPECT_EQ(waited["failure"], "connect");
    EXPECT_NE(AllEnglish(waited).find("did not come online within 4 s"), std::string::npos) << waited.dump();
    EXPECT_GE(waited["seconds"].get<double>(), 3.5);
    // Nothing is tried on a unit that never answered.
    EXPECT_EQ(units.at(absent.Address())["not_run"], nlohmann::json::parse(R"(["time"])"));
    EXPECT_TRUE(absent.Exchanges().empty());
}

TEST_F(LineWaitingTest, ASilentMemberFailsWithinTheStepTimeoutAndTheOtherUnitsFinish) {
    constexpr size_t kMember = 8 * 1024;
    const std::string package = StartFirmwareDevices(3, {kMember});
    ASSERT_EQ(devices.size(), 3u);
    sim::SimulatedDevice& silent = *devices[1];
    silent.AddFault({sim::FaultKind::StaySilent, 0, CmdReadyUpgrade, 0, {}, 2});
    settings.units.channelLimits.worker = std::chrono::milliseconds(120000); // as long as a real flash write may take

    const auto start = Clock::now();
    LineRun run = Run({"--json", "--step-timeout", "2", "--firmware", package, devices[0]->Address(),
                       silent.Address(), devices[2]->Address()});
    const double seconds = std::chrono::duration<double>(Clock::now() - start).count();
    EXPECT_EQ(run.exitStatus, 1);
    auto units = CheckJsonLines(run.JsonLines());
    for (size_t i : {0u, 2u}) {
        EXPECT_EQ(units.at(devices[i]->Address())["result"], "ok");
        EXPECT_EQ(devices[i]->RebootCount(), 1);
    }
    const auto firmware = StepLines(run, "firmware").at(silent.Address());
    EXPECT_EQ(firmware["result"], "failed");
    EXPECT_EQ(firmware["failure"], "reply_timeout");
    EXPECT_NE(AllEnglish(firmware).find("time limit of 2 s (--step-timeout)"), std::string::npos) << firmware.dump();
    EXPECT_EQ(silent.RebootCount(), 0);
    EXPECT_LT(seconds, 60.0) << "the silent member held the job";
}

TEST_F(LineWaitingTest, ARefusedConnectionIsRetriedAndTheUnitKeepsItsOwnMac) {
    StartDevices(2);
    sim::SimulatedDevice& brief = *devices[0];
    sim::SimulatedDevice& closed = *devices[1];
    KeepClosedFor(brief, std::chrono::milliseconds(500));
    closed.StopListening();
    settings.units.retryPause = std::chrono::milliseconds(300);
    const std::string firstMac = "02:00:00:00:03:00";

    LineRun run = Run({"--json", "--retry", "3", "--mac", firstMac, brief.Address(), closed.Address()});
    EXPECT_EQ(run.exitStatus, 1);
    CheckJsonLines(run.JsonLines());
    auto mac = StepLines(run, "mac");
    const auto& retried = mac.at(brief.Address());
    EXPECT_EQ(retried["result"], "ok") << retried.dump();
    EXPECT_GE(retried["attempts"].get<int>(), 2);
    EXPECT_NE(AllEnglish(retried).find("attempt 1 could not connect; trying again in 0.3 s"), std::string::npos);
    ASSERT_TRUE(brief.WaitUntilIdle());
    EXPECT_EQ(brief.ExchangesWithCode(CmdSetMac).size(), 1u);

    const auto& gaveUp = mac.at(closed.Address());
    EXPECT_EQ(gaveUp["result"], "failed");
    EXPECT_EQ(gaveUp["failure"], "connect");
    EXPECT_EQ(gaveUp["attempts"], 4);

    // The retried write is the unit's own, written once; the unit that never took one leaves its address free.
    auto journal = OpenJournal(settings.units.journal.location);
    auto written = journal->LookupMac(*ParseMacNumber(firstMac));
    ASSERT_TRUE(written);
    EXPECT_EQ(written->state, MacState::Written);
    for (const auto& unit : journal->Units("")) {
        if (unit.address == brief.Address()) {
            EXPECT_EQ(written->unit, unit.id);
        }
    }
    auto second = journal->LookupMac(*ParseMacNumber("02:00:00:00:03:01"));
    ASSERT_TRUE(second);
    EXPECT_EQ(second->state, MacState::Failed);
}
