// A command the device never answers is ok only when the device closes after
// taking every byte: a cut or reset block fails, a device that keeps the
// connection open leaves the step unconfirmed, never ok.
#include "device/setting_operations.h"
#include "protocol/command_block.h"
#include "session_fixture.h"
#include "support/platform_limits.h"

#include <algorithm>

using namespace tarnwell;
using namespace tarnwell::test;
using namespace std::chrono_literals;

namespace {

class DeliveryEvidenceTest : public SessionFixture {};

Outcome SetMac(const UnitSession& session) { return SetMacAddress(session, "02:00:00:00:00:01"); }
Outcome SetTime(const UnitSession& session) {
    const LocalDateTime now = LocalDateTime::Now();
    return SetDeviceTime(session, now, now);
}
Outcome SetPal(const UnitSession& session) { return SetVideoStandard(session, 0); }
Outcome Reboot(const UnitSession& session) { return RebootDevice(session); }

struct Unanswered {
    const char* label;
    uint8_t code;
    Outcome (*run)(const UnitSession&);
    const char* sendFailure;
};

const Unanswered kCommands[] = {
    {"Mac", CmdSetMac, SetMac, "Send data error!"},
    {"Time", CmdSetTime, SetTime, "Send data error!"},
    {"VideoStandard", CmdSetVideoStandard, SetPal, "Send data error!"},
    {"Reboot", CmdReboot, Reboot, "Send data error -- Reboot"},
};

} // namespace

TEST_F(DeliveryEvidenceTest, ADeviceThatTakesTheBlockAndClosesIsOkAtOnce) {
    for (const Unanswered& command : kCommands) {
        SCOPED_TRACE(command.label);
        UseDevice();
        const auto start = std::chrono::steady_clock::now();
        const Outcome outcome = command.run(session);
        EXPECT_EQ(outcome.result, StepResult::Ok) << outcome.reason.english;
        EXPECT_LT(std::chrono::steady_clock::now() - start, 500ms) << "the close was waited out";
        ASSERT_TRUE(device->WaitUntilIdle());
        ASSERT_EQ(device->ExchangesWithCode(command.code).size(), 1u);
        EXPECT_TRUE(device->ExchangesWithCode(command.code)[0].complete);
        EXPECT_GT(outcome.details.bytesSent, 0u);
    }
}

TEST_F(DeliveryEvidenceTest, ABlockCutShortOrResetIsAFailureWithTheSendText) {
    if (const PlatformLimit limit = NoAbortiveCloseEvidence()) GTEST_SKIP() << limit.reason;
    const std::vector<std::pair<const char*, sim::Fault>> faults{
        {"MacCutAfterFiveBytes", {sim::FaultKind::CloseEarly, 0, CmdSetMac, 5}},
        {"TimeBlockNeverRead", {sim::FaultKind::CloseEarly, 0, CmdSetTime, 0}},
        {"VideoBlockReset", {sim::FaultKind::Reset, 0, CmdSetVideoStandard, 3}},
        {"RebootReset", {sim::FaultKind::Reset, 0, CmdReboot, 0}},
    };
    for (const auto& [label, fault] : faults) {
        SCOPED_TRACE(label);
        const int code = fault.code;
        const Unanswered& command =
            *std::find_if(std::begin(kCommands), std::end(kCommands), [code](const Unanswered& c) { return c.code == code; });
        UseDevice().AddFault(fault);
        heard.Clear();
        const Outcome outcome = command.run(session);
        EXPECT_EQ(outcome.result, StepResult::Failed);
        EXPECT_EQ(outcome.failure, FailureKind::ConnectionReset);
        EXPECT_EQ(heard.English(), std::vector<std::string>{command.sendFailure});
    }
}

TEST_F(DeliveryEvidenceTest, ADeviceThatKeepsTheConnectionOpenLeavesTheStepUnconfirmed) {
    sim::DeviceProfile holding;
    holding.holdOpen = true;
    holding.idleTimeout = 3s;
    for (const Unanswered& command : kCommands) {
        SCOPED_TRACE(command.label);
        UseDevice(holding);
        heard.Clear();
        const auto start = std::chrono::steady_clock::now();
        const Outcome outcome = command.run(session);
        const auto waited = std::chrono::steady_clock::now() - start;
        EXPECT_EQ(outcome.result, StepResult::Unconfirmed);
        EXPECT_TRUE(outcome.Delivered());
        EXPECT_FALSE(outcome.Ok());
        EXPECT_FALSE(outcome.reason.english.empty());
        // Nothing is said: the console shows the texts it always showed.
        EXPECT_TRUE(heard.English().empty());
        EXPECT_GE(waited, session.limits.closeWait - 50ms);
        EXPECT_LT(waited, session.limits.closeWait + 1s);
        // Every byte did reach the device.
        device->Stop();
        ASSERT_EQ(device->ExchangesWithCode(command.code).size(), 1u);
        EXPECT_TRUE(device->ExchangesWithCode(command.code)[0].complete);
    }
}

TEST_F(DeliveryEvidenceTest, AFailedConnectIsAFailureOfItsOwnKind) {
    session.address = UnusedLoopbackAddress();
    const Outcome outcome = SetMac(session);
    EXPECT_EQ(outcome.result, StepResult::Failed);
    EXPECT_EQ(outcome.failure, FailureKind::Connect);
    EXPECT_EQ(outcome.reason.chinese, "连接失败9!");
    EXPECT_EQ(heard.English(), std::vector<std::string>{"Connect Failed!"});
}

TEST_F(DeliveryEvidenceTest, AMacNoDeviceMayCarryIsNeverSentAndOthersGoInOneForm) {
    UseDevice();
    for (const char* refused : {"FF:FF:FF:FF:FF:FF", "01:00:5E:00:00:01", "00:00:00:00:00:00", "03:00:00:00:00:00"}) {
        SCOPED_TRACE(refused);
        const Outcome outcome = SetMacAddress(session, refused);
        EXPECT_EQ(outcome.failure, FailureKind::BadInput);
        EXPECT_NE(outcome.reason.english.find("cannot be a device's own"), std::string::npos);
    }
    EXPECT_EQ(device->ConnectionCount(), 0);

    ASSERT_TRUE(SetMacAddress(session, "2:0:13:5:00:f").Ok());
    ASSERT_TRUE(device->WaitUntilIdle());
    const auto macs = device->ExchangesWithCode(CmdSetMac);
    ASSERT_EQ(macs.size(), 1u);
    const std::string sent(macs[0].payload.begin(), macs[0].payload.end());
    EXPECT_EQ(sent, std::string("02:00:13:05:00:0F") + std::string(16, '\0'));
}
