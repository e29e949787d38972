// What the upgrade reports, and what it never does: reboot a unit that was
// stopped or refused a member, take a verdict that came before its command,
// or let a slow device stretch a step past its deadline.
#include "device/firmware_upgrade.h"
#include "device/setting_operations.h"
#include "protocol/command_block.h"
#include "session_fixture.h"
#include "support/platform_limits.h"
#include "sim/firmware_expectation.h"
#include "support/scripted_peer.h"
#include "support/temp_dir.h"
#include "support/ustar_writer.h"

using namespace tarnwell;
using namespace tarnwell::test;
using namespace std::chrono_literals;

namespace {

const std::string kInstall = "<install/>\n";
const std::string kAccepted = DeviceReplyBytes(215, 1);

class UpgradeOutcomeTest : public SessionFixture {
protected:
    std::shared_ptr<const FirmwarePackage> Package(std::vector<size_t> sizes) {
        std::vector<UstarMember> members{{"Install.xml", kInstall}};
        const char* names[] = {"romfs-x.cramfs.img", "user-x.cramfs.img", "web-x.cramfs.img"};
        for (size_t i = 0; i < sizes.size(); ++i) members.emplace_back(names[i], std::string(sizes[i], char('a' + i)));
        path = dir.File("pkg.tar");
        WriteFileBytes(path, MakeUstarArchive(members));
        auto package = FirmwarePackage::Snapshot(path);
        EXPECT_TRUE(package);
        return package;
    }
    sim::SimulatedDevice& UseFirmwareDevice(sim::DeviceProfile profile = {}) {
        auto expected = sim::ExpectFirmwareFromPackage(path);
        EXPECT_TRUE(expected);
        sim::ConfigureForFirmware(profile, *expected);
        return UseDevice(profile);
    }
    static int Reboots(ScriptedPeer& peer) {
        int reboots = 0;
        for (const std::string& bytes : peer.Received())
            if (!bytes.empty() && static_cast<uint8_t>(bytes[0]) == CmdReboot) ++reboots;
        return reboots;
    }

    TempDir dir;
    std::string path;
};

// Stops the job while the given member is being sent.
class StopDuring : public HeardMessages {
public:
    StopDuring(std::atomic<bool>& stop, int member) : stop_(stop), member_(member) {}
    void MemberStarting(int index, int) override { current_ = index; }
    void Progress(int percent) override {
        if (current_ == member_ && percent >= 50) stop_ = true;
    }

private:
    std::atomic<bool>& stop_;
    int member_;
    int current_ = -1;
};

} // namespace

TEST_F(UpgradeOutcomeTest, PausesInsideEveryReplyGiveTheSameVerdicts) {
    auto package = Package({70000, 3000});
    sim::DeviceProfile profile;
    profile.replies.pieces = 3;
    profile.replies.piecePause = 400ms;
    UseFirmwareDevice(profile);
    const Outcome outcome = UpgradeFirmware(session, *package);
    EXPECT_EQ(outcome.result, StepResult::Ok) << outcome.reason.english;
    EXPECT_TRUE(heard.English().empty());
    EXPECT_EQ(outcome.details.member, 3);
    EXPECT_EQ(outcome.details.members, 3);
    ASSERT_TRUE(device->WaitUntilIdle());
    EXPECT_EQ(device->RebootCount(), 1);
}

TEST_F(UpgradeOutcomeTest, AStopDuringTheLastMemberLetsItFinishAndNeverReboots) {
    auto package = Package({200000});
    UseFirmwareDevice();
    StopDuring observer(stop, 1);
    session.observer = &observer;
    const Outcome outcome = UpgradeFirmware(session, *package);
    EXPECT_EQ(outcome.result, StepResult::Stopped);
    EXPECT_EQ(outcome.failure, FailureKind::Stopped);
    ASSERT_TRUE(device->WaitUntilIdle());
    EXPECT_EQ(device->ExchangesWithCode(CmdReadyUpgrade).size(), 1u);
    EXPECT_TRUE(device->ExchangesWithCode(CmdReadyUpgrade)[0].complete);
    EXPECT_EQ(device->RebootCount(), 0);
}

TEST_F(UpgradeOutcomeTest, AReadyReplyWithASecondAcceptanceBehindItEndsTheUpgradeBeforeTheData) {
    auto package = Package({3000});
    ScriptedPeer peer({{ReadBytes(64), WriteBytes(kAccepted)},
                       {ReadBytes(32 + 8 + kInstall.size()), WriteBytes(kAccepted)},
                       {ReadBytes(32), WriteBytes(kAccepted + kAccepted), ReadBytes(3000),
                        WriteBytes(DeviceReplyBytes(215, 0)), ReadBytes(1 << 20)}});
    session.address = peer.Address();
    const Outcome outcome = UpgradeFirmware(session, *package);
    EXPECT_EQ(outcome.result, StepResult::Failed);
    EXPECT_EQ(outcome.failure, FailureKind::BadReply);
    EXPECT_EQ(heard.English(), std::vector<std::string>{"Update failed"});
    const auto received = peer.Received();
    ASSERT_EQ(received.size(), 3u);
    EXPECT_EQ(received[2].size(), 32u) << "member data went out after a doubtful answer";
    EXPECT_EQ(Reboots(peer), 0);
}

TEST_F(UpgradeOutcomeTest, AFloodOfRepliesWithoutEffectEndsByTheStepsDeadline) {
    auto package = Package({3000});
    PeerScript flood{ReadBytes(64)};
    for (int i = 0; i < 400; ++i) {
        flood.push_back(WriteBytes(DeviceReplyBytes(16, 0) + DeviceReplyBytes(16, 0)));
        flood.push_back(PauseFor(5ms));
    }
    ScriptedPeer peer({flood});
    session.address = peer.Address();
    session.limits.worker = 500ms;
    const auto start = std::chrono::steady_clock::now();
    const Outcome outcome = UpgradeFirmware(session, *package);
    EXPECT_LT(std::chrono::steady_clock::now() - start, 1500ms);
    EXPECT_EQ(outcome.result, StepResult::Failed);
    EXPECT_NE(outcome.failure, FailureKind::None);
    EXPECT_EQ(Reboots(peer), 0);
}

TEST_F(UpgradeOutcomeTest, ATricklingDeviceGetsOneDeadlineForTheWholeMember) {
    // Each send call makes progress, so only a deadline for all of it ends the member.
    auto package = Package({8u << 20});
    PeerScript trickle{ReadBytes(32), WriteBytes(kAccepted)};
    for (int i = 0; i < 20; ++i) {
        trickle.push_back(ReadBytes(16 * 1024));
        trickle.push_back(PauseFor(100ms));
    }
    ScriptedPeer peer({{ReadBytes(64), WriteBytes(kAccepted)},
                       {ReadBytes(32 + 8 + kInstall.size()), WriteBytes(kAccepted)}, trickle},
                      10002, 4096);
    session.address = peer.Address();
    session.limits.worker = 1000ms;
    const auto start = std::chrono::steady_clock::now();
    const Outcome outcome = UpgradeFirmware(session, *package);
    EXPECT_LT(std::chrono::steady_clock::now() - start, 3000ms);
    EXPECT_EQ(outcome.failure, FailureKind::Send);
    EXPECT_EQ(heard.English(), std::vector<std::string>{"SendFile Send data error"});
}

TEST_F(UpgradeOutcomeTest, AnUpgradeWhoseRebootDidNotReachTheUnitIsNotOk) {
    if (const PlatformLimit limit = NoAbortiveCloseEvidence()) GTEST_SKIP() << limit.reason;
    auto package = Package({3000});
    UseFirmwareDevice().AddFault({sim::FaultKind::Reset, 0, CmdReboot, 0});
    const Outcome outcome = UpgradeFirmware(session, *package);
    EXPECT_EQ(outcome.result, StepResult::Failed);
    EXPECT_EQ(outcome.failure, FailureKind::NotRebooted);
    EXPECT_TRUE(AllMembersTaken(outcome));
    EXPECT_EQ(heard.English(), std::vector<std::string>{"Send data error -- Reboot"});
}

TEST_F(UpgradeOutcomeTest, AChangedFileNeverReachesTheUnitFromASnapshot) {
    auto package = Package({50000});
    UseFirmwareDevice();
    auto expected = sim::ExpectFirmwareFromPackage(path);
    std::filesystem::resize_file(path, 700);
    const Outcome outcome = UpgradeFirmware(session, *package);
    EXPECT_EQ(outcome.result, StepResult::Ok);
    ASSERT_TRUE(device->WaitUntilIdle());
    EXPECT_EQ(sim::DescribeFirmwareMismatch(*device, *expected), "");
    EXPECT_EQ(package->Sha256().size(), 64u);
}
