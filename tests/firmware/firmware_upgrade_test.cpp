// The whole upgrade against a simulated device: what goes on the wire, what
// the operator sees, and when the device is rebooted.
#include "upgrade_fixture.h"

#include "platform/settings_store.h"
#include "protocol/package_member.h"
#include "protocol/command_block.h"
#include "support/memory_settings_store.h"

using namespace tarnwell;
using namespace tarnwell::test;
using namespace std::chrono_literals;

namespace {


class FirmwareUpgradeTest : public UpgradeFixture {
protected:
    // Install.xml and two images, the second a little over two tar blocks.
    std::vector<PackageFile> ThreeFiles() {
        return {{"Install.xml", kInstallXml},
                {"romfs-x.cramfs.img", PatternBytes(70001, 1)},
                {"user-x.cramfs.img", PatternBytes(1025, 2)}};
    }
};

class TarFormatTest : public FirmwareUpgradeTest, public ::testing::WithParamInterface<const char*> {};

TEST_P(TarFormatTest, DeviceHoldsExactlyThePackageAndIsRebooted) {
    if (const PlatformLimit limit = NoPosixTools()) GTEST_SKIP() << limit.reason;
    auto files = ThreeFiles();
    auto expected = Expect(files);
    UseDevice(expected);
    RunUpgrade(PackWithTar(files, GetParam()));

    EXPECT_EQ(sim::DescribeFirmwareMismatch(*device, expected), "");
    EXPECT_EQ(device->RebootCount(), 1);
    EXPECT_EQ(ui.Messages(), Strings{});
    EXPECT_EQ(ui.Log(), (Strings{"disable 1019", "status Update 0-10...", "status Update 1-10...",
                                 "status Update 2-10...", "status Update 3-10...", "status Update Bios Complete",
                                 "enable 1019", "status Current Process"}));
    // Handshake, three members, the empty fourth entry, the reboot.
    EXPECT_EQ(device->ConnectionCount(), 6);
    auto handshake = device->ExchangesWithCode(CmdUpgradeHandshake);
    ASSERT_EQ(handshake.size(), 1u);
    EXPECT_EQ(handshake[0].connection, 1);
    EXPECT_EQ(std::vector<uint8_t>(handshake[0].command.begin(), handshake[0].command.begin() + 8),
              (std::vector<uint8_t>{0xD7, 0, 0, 0, 0, 0, 0, 8}));
    const CommandBytes version = MakeVersionBlock();
    EXPECT_EQ(handshake[0].payload, std::vector<uint8_t>(version.begin(), version.end()));
    // The bar ends each member at 100 and the ending puts it back to 0.
    auto progress = ui.ProgressPositions();
    ASSERT_FALSE(progress.empty());
    EXPECT_EQ(progress.back(), 0);
    EXPECT_EQ(std::count(progress.begin(), progress.end(), 100), 3);
}

INSTANTIATE_TEST_SUITE_P(GnuTar, TarFormatTest, ::testing::Values("ustar", "gnu"));

TEST_F(FirmwareUpgradeTest, InstallDescriptionAloneStopsAtTheSecondEntry) {
    std::vector<PackageFile> files{{"Install.xml", kInstallXml}};
    auto expected = Expect(files);
    UseDevice(expected);
    RunUpgrade(PackWithWriter({{"Install.xml", kInstallXml}}));

    EXPECT_EQ(sim::DescribeFirmwareMismatch(*device, expected), "");
    auto first = device->ExchangesWithCode(CmdUpgradeFirstFile);
    ASSERT_EQ(first.size(), 1u);
    std::vector<uint8_t> attributes(first[0].payload.begin(), first[0].payload.begin() + 8);
    EXPECT_EQ(attributes, (std::vector<uint8_t>{0, 0, 0, 0, 0, 0, 0, static_cast<uint8_t>(kInstallXml.size())}));
    EXPECT_EQ(device->RebootCount(), 1);
    EXPECT_EQ(Statuses(), (Strings{"Update 0-10...", "Update 1-10...", "Update Bios Complete", "Current Process"}));
    EXPECT_EQ(device->ConnectionCount(), 4); // handshake, member, empty entry, reboot
}

TEST_F(FirmwareUpgradeTest, ElevenMembersAreAllSentAndNoTwelfthConnectionOpens) {
    std::vector<PackageFile> files;
    std::vector<UstarMember> members;
    for (size_t i = 0; i < 11; ++i) {
        std::string name(kMemberNames[i]);
        files.push_back({name, i == 0 ? kInstallXml : PatternBytes(300 + 97 * i, static_cast<unsigned>(i))});
        members.emplace_back(name, files.back().data);
    }
    auto expected = Expect(files);
    UseDevice(expected);
    RunUpgrade(PackWithWriter(members));

    EXPECT_EQ(sim::DescribeFirmwareMismatch(*device, expected), "");
    EXPECT_EQ(device->RebootCount(), 1);
    auto statuses = Statuses();
    ASSERT_GE(statuses.size(), 3u);
    EXPECT_EQ(statuses[statuses.size() - 3], "Update 10-10...");
    EXPECT_EQ(device->ConnectionCount(), 1 + 11 + 1);
}

TEST_F(FirmwareUpgradeTest, RefusedHandshakeSendsNothingElseAndLeavesTheButton) {
    auto files = ThreeFiles();
    UseDevice(Expect(files)).AddFault({sim::FaultKind::RefuseStep, 1, CmdUpgradeHandshake});
    RunUpgrade(PackWithTar(files, "ustar"));

    EXPECT_EQ(ui.Log(), Strings{"message UpdateTool's protocol version not applicable!"});
    EXPECT_EQ(device->ConnectionCount(), 1);
    EXPECT_EQ(device->Exchanges().size(), 1u);
    EXPECT_EQ(device->RebootCount(), 0);
}

struct RefusalCase {
    const char* label;
    sim::Fault fault;
    std::string message; // as the console shows it, in Chinese
    int connections;     // up to and including the refused one
    // A reset may reach the sender first: then the send failure is the message.
    std::string orMessage = {};
};

class RefusalTest : public FirmwareUpgradeTest, public ::testing::WithParamInterface<RefusalCase> {};

// The operator reads the Chinese texts.
TEST_P(RefusalTest, EndsWithItsMessageAndNoReboot) {
    UiLanguage = 1;
    auto files = ThreeFiles();
    UseDevice(Expect(files)).AddFault(GetParam().fault);
    RunUpgrade(PackWithTar(files, "gnu"));

    auto messages = ui.Messages();
    ASSERT_FALSE(messages.empty());
    if (GetParam().orMessage.empty()) EXPECT_EQ(messages.back(), GetParam().message);
    else EXPECT_TRUE(messages.back() == GetParam().message || messages.back() == GetParam().orMessage) << messages.back();
    EXPECT_EQ(device->RebootCount(), 0);
    EXPECT_EQ(device->ConnectionCount(), GetParam().connections);
    auto log = ui.Log();
    EXPECT_EQ(log.front(), "disable 1019");
    EXPECT_EQ(log[log.size() - 2], "enable 1019");
    EXPECT_EQ(log.back(), "status Current Process");
    EXPECT_EQ(std::count(log.begin(), log.end(), "status Update Bios Complete"), 0);
}

INSTANTIATE_TEST_SUITE_P(
    Device, RefusalTest,
    ::testing::Values(
        RefusalCase{"InstallDataRefused", {sim::FaultKind::RefuseStep, 2, CmdUpgradeFirstFile},
                    "升级程序版本不合", 2},
        RefusalCase{"ReadyRefused", {sim::FaultKind::RefuseStep, 3, CmdReadyUpgrade, 0, 0ms, 1}, "升级失败", 3},
        RefusalCase{"DataRefused", {sim::FaultKind::RefuseStep, 4, CmdReadyUpgrade, 0, 0ms, 2},
                    "发送数据后更新失败", 4},
        RefusalCase{"ReadyUnanswered", {sim::FaultKind::CloseEarly, 3, CmdReadyUpgrade, 0}, "没有接收到命令数据", 3},
        RefusalCase{"ClosedMidMember", {sim::FaultKind::CloseEarly, 3, CmdReadyUpgrade, 3000},
                    "发送数据后没有收到反馈信息", 3, "发送数据失败!"},
        RefusalCase{"ResetMidMember", {sim::FaultKind::Reset, 3, CmdReadyUpgrade, 3000},
                    "发送数据后没有收到反馈信息", 3, "发送数据失败!"},
        RefusalCase{"SilentAfterData", {sim::FaultKind::StaySilent, 4, CmdReadyUpgrade, 0, 0ms, 2},
                    "发送数据后没有收到反馈信息", 4},
        RefusalCase{"MemberConnectRefused", {sim::FaultKind::RefuseConnection, 3}, "连接失败2!", 3}),
    [](const auto& info) { return std::string(info.param.label); });

TEST_F(FirmwareUpgradeTest, ChineseTextsWhenTheInterfaceIsChinese) {
    UiLanguage = 1;
    auto files = ThreeFiles();
    UseDevice(Expect(files)).AddFault({sim::FaultKind::RefuseStep, 2, CmdUpgradeFirstFile});
    RunUpgrade(PackWithTar(files, "ustar"));
    EXPECT_EQ(ui.Messages(), Strings{"升级程序版本不合"});
    EXPECT_EQ(Statuses(), (Strings{"Update 0-10...", "Current Process"}));
}

TEST_F(FirmwareUpgradeTest, EmptyMemberGoesOutWithoutASendError) {
    std::vector<PackageFile> files{{"Install.xml", kInstallXml}, {"logo-x.cramfs.img", ""}};
    auto expected = Expect(files);
    UseDevice(expected);
    RunUpgrade(PackWithTar(files, "ustar"));
    EXPECT_EQ(ui.Messages(), Strings{});
    EXPECT_EQ(sim::DescribeFirmwareMismatch(*device, expected), "");
    EXPECT_EQ(device->RebootCount(), 1);
}

TEST_F(FirmwareUpgradeTest, UnreachableDeviceAtTheHandshake) {
    ui.SetAddress(UnusedLoopbackAddress());
    auto files = ThreeFiles();
    RunUpgrade(PackWithTar(files, "ustar"));
    EXPECT_EQ(ui.Log(), Strings{"message Connect Failed!"});
}

TEST_F(FirmwareUpgradeTest, SilentHandshakeIsReported) {
    auto files = ThreeFiles();
    console.channelLimits.reply = 300ms;
    UseDevice(Expect(files)).AddFault({sim::FaultKind::StaySilent, 1, CmdUpgradeHandshake});
    RunUpgrade(PackWithTar(files, "ustar"));
    EXPECT_EQ(ui.Log(), Strings{"message Can't Accept Command Data"});
    EXPECT_EQ(device->ConnectionCount(), 1);
}

TEST_F(FirmwareUpgradeTest, StartNeedsAPathAndAFileCount) {
    ui.controls.biosFilePath = "";
    console.firmwareFileCount = 1;
    console.StartFirmwareUpgrade();
    EXPECT_EQ(ui.Messages(), Strings{"please select a file update Bios!"});
    ui.controls.biosFilePath = dir.File("typed-in.tar");
    console.firmwareFileCount = 0;
    console.StartFirmwareUpgrade();
    EXPECT_FALSE(console.firmwareWorker.joinable());
    EXPECT_FALSE(console.busyWorker.load());
    // A path with no accepted selection behind it is nothing selected.
    EXPECT_EQ(ui.Messages(), (Strings{"please select a file update Bios!", "please select a file update Bios!"}));
}

TEST_F(FirmwareUpgradeTest, WhileRunningCloseIsRefusedAndNoSecondUpgradeStarts) {
    auto files = ThreeFiles();
    UseDevice(Expect(files)).AddFault({sim::FaultKind::AnswerSlowly, 1, CmdUpgradeHandshake, 0, 500ms});
    ui.controls.biosFilePath = PackWithTar(files, "ustar");
    console.firmwareFileCount = 1;
    console.StartFirmwareUpgrade();
    ASSERT_TRUE(console.busyWorker.load());

    MemorySettingsStore settings;
    EXPECT_FALSE(console.OnClose(settings));
    EXPECT_FALSE(console.OnCancel());
    console.StartFirmwareUpgrade();
    EXPECT_EQ(ui.Messages(), Strings(3, "Updating, please wait!"));
    EXPECT_TRUE(settings.values.empty());

    console.firmwareWorker.join();
    ASSERT_TRUE(device->WaitUntilIdle());
    EXPECT_EQ(device->ExchangesWithCode(CmdUpgradeHandshake).size(), 1u);
    EXPECT_EQ(device->RebootCount(), 1);
    EXPECT_TRUE(console.OnClose(settings));
}

TEST_F(FirmwareUpgradeTest, WorkerKeepsItsOwnPathAndAddress) {
    auto files = ThreeFiles();
    auto expected = Expect(files);
    UseDevice(expected).AddFault({sim::FaultKind::AnswerSlowly, 1, CmdUpgradeHandshake, 0, 300ms});
    ui.controls.biosFilePath = PackWithTar(files, "ustar");
    console.firmwareFileCount = 1;
    console.StartFirmwareUpgrade();
    // The timer keeps pulling the controls while the worker runs.
    ui.controls.biosFilePath = dir.File("other.tar");
    ui.SetAddress(UnusedLoopbackAddress());
    console.OnTimer();
    console.ReadDeviceAddress();
    console.firmwareWorker.join();
    ASSERT_TRUE(device->WaitUntilIdle());
    EXPECT_EQ(sim::DescribeFirmwareMismatch(*device, expected), "");
    EXPECT_EQ(device->RebootCount(), 1);
}

} // namespace
