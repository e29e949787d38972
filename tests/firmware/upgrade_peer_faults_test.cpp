// The upgrade against devices that misbehave in ways a real one can: it
// stops reading mid-member, answers with garbage, too much or a language
// list, or takes its time while it erases flash. Played by scripted peers.
#include "upgrade_fixture.h"

#include "support/scripted_peer.h"

using namespace tarnwell;
using namespace tarnwell::test;
using namespace std::chrono_literals;

namespace {

const std::string kAccepted = DeviceReplyBytes(215, 1);

// What a well-behaved device does on each of the upgrade's connections.
PeerScript Handshake(const std::string& answer = kAccepted) { return {ReadBytes(64), WriteBytes(answer)}; }
PeerScript FirstMember(const std::string& answer = kAccepted) {
    return {ReadBytes(32 + 8 + kInstallXml.size()), WriteBytes(answer)};
}
PeerScript Member(size_t size, const std::string& ready = kAccepted, const std::string& answer = kAccepted) {
    return {ReadBytes(32), WriteBytes(ready), ReadBytes(size), WriteBytes(answer)};
}
// After a fault the peer takes whatever else comes until the console closes.
PeerScript Then(PeerScript script) {
    script.push_back(ReadBytes(1 << 24));
    return script;
}

class UpgradePeerFaultsTest : public UpgradeFixture {
protected:
    UpgradePeerFaultsTest() { UiLanguage = 1; }

    std::string Package(size_t memberSize) {
        member = PatternBytes(memberSize, 7);
        return PackWithWriter({{"Install.xml", kInstallXml}, {"romfs-x.cramfs.img", member}});
    }
    void RunAgainst(ScriptedPeer& peer, const std::string& package) {
        ui.SetAddress(peer.Address());
        RunUpgrade(package);
    }
    bool ClaimedCompletion() const {
        auto statuses = Statuses();
        return std::count(statuses.begin(), statuses.end(), "Update Bios Complete") > 0;
    }
    static int Reboots(ScriptedPeer& peer) {
        int reboots = 0;
        for (const std::string& bytes : peer.Received())
            if (bytes.size() == 32 && static_cast<uint8_t>(bytes[0]) == 0xD6) ++reboots;
        return reboots;
    }
    std::string member;
};

} // namespace

TEST_F(UpgradePeerFaultsTest, ADeviceThatAcceptsEveryStepIsRebooted) {
    const std::string package = Package(5000);
    ScriptedPeer peer({Handshake(), FirstMember(), Member(5000)});
    RunAgainst(peer, package);
    EXPECT_EQ(ui.Messages(), Strings{});
    EXPECT_TRUE(ClaimedCompletion());
    EXPECT_EQ(peer.Received().at(2).substr(32), member);
    EXPECT_EQ(Reboots(peer), 1);
}

TEST_F(UpgradePeerFaultsTest, AMemberThatDidNotGoOutWholeEndsTheUpgradeWhateverTheDeviceSays) {
    // The device stops reading 1000 bytes into the member and answers "accepted".
    const size_t size = 8u << 20;
    const std::string package = Package(size);
    console.channelLimits.worker = 300ms;
    ScriptedPeer peer({Handshake(), FirstMember(),
                       {ReadBytes(32), WriteBytes(kAccepted), ReadBytes(1000), WriteBytes(kAccepted), PauseFor(1500ms)}},
                      10002, 4096);
    RunAgainst(peer, package);
    EXPECT_EQ(ui.Messages(), Strings{"发送数据失败!"});
    EXPECT_FALSE(ClaimedCompletion());
    EXPECT_EQ(Statuses().back(), "Current Process");
    EXPECT_EQ(peer.Connections(), 3); // no reboot connection
    EXPECT_EQ(Reboots(peer), 0);
}

namespace {

struct BadAnswer {
    const char* label;
    std::string bytes;
};

std::string Garbage() {
    std::string bytes = PatternBytes(128, 3);
    bytes[0] = 5; // below every kind
    return bytes;
}

std::vector<BadAnswer> BadAnswers() {
    return {{"Garbage", Garbage()},
            {"UnknownKind", DeviceReplyBytes(100, 1)},
            {"NoVerdictKind", DeviceReplyBytes(177, 1)},
            {"Oversized", kAccepted + std::string(72, '\x01')},
            {"LanguageList", DeviceReplyBytes(180, 0x14, 0, "English|SimpChinese|")}};
}

} // namespace

TEST_F(UpgradePeerFaultsTest, AnUnusableAnswerAtAnyStepIsAFailureTheOperatorIsTold) {
    const std::string package = Package(3000);
    for (const BadAnswer& bad : BadAnswers()) {
        // The step whose answer is bad, and the scripts up to it.
        const std::vector<std::pair<const char*, std::vector<PeerScript>>> steps{
            {"handshake", {Then(Handshake(bad.bytes))}},
            {"install description", {Handshake(), Then(FirstMember(bad.bytes))}},
            {"ready for member", {Handshake(), FirstMember(), Then({ReadBytes(32), WriteBytes(bad.bytes)})}},
            {"member data", {Handshake(), FirstMember(), Then(Member(3000, kAccepted, bad.bytes))}},
        };
        for (const auto& [step, scripts] : steps) {
            SCOPED_TRACE(std::string(bad.label) + " at " + step);
            ui.ClearRecords();
            ScriptedPeer peer(scripts);
            RunAgainst(peer, package);
            EXPECT_EQ(ui.Messages(), Strings{"升级失败"});
            EXPECT_FALSE(ClaimedCompletion());
            // Nothing more went out: no reboot, and no language setting from the worker.
            EXPECT_EQ(peer.Connections(), static_cast<int>(scripts.size()));
            EXPECT_EQ(Reboots(peer), 0);
        }
    }
}

TEST_F(UpgradePeerFaultsTest, TheDeviceFailureReplyIsShownOnceAndEndsTheUpgrade) {
    const std::string package = Package(3000);
    ScriptedPeer peer({Handshake(), FirstMember(), Then(Member(3000, kAccepted, DeviceReplyBytes(240, 0)))});
    RunAgainst(peer, package);
    EXPECT_EQ(ui.Messages(), Strings{"更新失败!"});
    EXPECT_FALSE(ClaimedCompletion());
    EXPECT_EQ(Reboots(peer), 0);
}

TEST_F(UpgradePeerFaultsTest, TheWorkerWaitsAsLongAsADeviceWritingFlashNeeds) {
    // Waits on the window's thread stay short; the worker's are the long ones.
    console.channelLimits.reply = 200ms;
    console.channelLimits.worker = 10s;
    const std::string package = Package(3000);
    ScriptedPeer peer({{ReadBytes(64), PauseFor(700ms), WriteBytes(kAccepted)},
                       FirstMember(),
                       {ReadBytes(32), PauseFor(700ms), WriteBytes(kAccepted), ReadBytes(3000), PauseFor(700ms),
                        WriteBytes(kAccepted)}});
    RunAgainst(peer, package);
    EXPECT_EQ(ui.Messages(), Strings{});
    EXPECT_TRUE(ClaimedCompletion());
    EXPECT_EQ(Reboots(peer), 1);
}

TEST_F(UpgradePeerFaultsTest, ChineseTextsOfTheHandshakeAndThePackage) {
    const std::string package = Package(3000);
    {
        ScriptedPeer peer({Then(Handshake(DeviceReplyBytes(215, 0)))});
        RunAgainst(peer, package);
        EXPECT_EQ(ui.Messages(), Strings{"升级协议版本不合"});
    }
    ui.ClearRecords();
    {
        ScriptedPeer peer({{ReadBytes(64), CloseNow()}});
        RunAgainst(peer, package);
        EXPECT_EQ(ui.Messages(), Strings{"没有接收到命令数据"});
    }
    ui.ClearRecords();
    ui.SetAddress(UnusedLoopbackAddress());
    RunUpgrade(package);
    EXPECT_EQ(ui.Messages(), Strings{"连接失败 1!"});

    ui.ClearRecords();
    WriteFileBytes(dir.File("not-a-package.tar"), std::string(1024, 'x'));
    RunUpgrade(dir.File("not-a-package.tar"));
    EXPECT_EQ(ui.Messages(), Strings{"文件格式错误!"});

    ui.ClearRecords();
    ui.controls.biosFilePath = "";
    console.StartFirmwareUpgrade();
    EXPECT_EQ(ui.Messages(), Strings{"请选择文件来更新Bios!"});
}
