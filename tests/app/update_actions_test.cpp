#include "support/console_fixture.h"
#include "support/memory_settings_store.h"
#include "support/temp_dir.h"
#include "support/ustar_writer.h"

using namespace tarnwell;
using namespace tarnwell::test;

namespace {

class UpdateActionsTest : public ConsoleFixture {
protected:
    UpdateActionsTest() {
        console.upgradePauses.betweenMembers = std::chrono::milliseconds(0);
        console.upgradePauses.beforeIdleStatus = std::chrono::milliseconds(0);
    }
    ~UpdateActionsTest() override {
        if (console.firmwareWorker.joinable()) console.firmwareWorker.join();
    }
    void Check(std::initializer_list<int> boxes) {
        for (int box : boxes) ui.checks[box] = true;
    }
    std::string MacSent(size_t index = 0) {
        EXPECT_TRUE(device->WaitUntilIdle());
        auto sent = device->ExchangesWithCode(CmdSetMac);
        if (index >= sent.size()) return "<none>";
        EXPECT_EQ(sent[index].payload.size(), 33u);
        return std::string(reinterpret_cast<const char*>(sent[index].payload.data()));
    }
    std::vector<uint8_t> Codes() {
        EXPECT_TRUE(device->WaitUntilIdle());
        std::vector<uint8_t> codes;
        for (const auto& exchange : device->Exchanges()) codes.push_back(exchange.code);
        return codes;
    }
};

} // namespace

TEST_F(UpdateActionsTest, NothingCheckedShowsAndSendsNothing) {
    UseDevice();
    console.UpdateAll();
    EXPECT_TRUE(ui.Messages().empty());
    EXPECT_TRUE(ui.Questions().empty());
    ASSERT_TRUE(device->WaitUntilIdle());
    EXPECT_EQ(device->ConnectionCount(), 0);
}

TEST_F(UpdateActionsTest, LanguageAloneEndsWithTheRebootQuestion) {
    UseDevice();
    ui.languageText = "SimpChinese";
    ui.languageSelection = 1;
    Check({IdCheckLanguage});
    ui.answers = {true};
    console.UpdateAll();
    EXPECT_EQ(ui.Messages(), std::vector<std::string>{"升成完成"});
    EXPECT_EQ(ui.Questions(), std::vector<std::string>{"是否重启?"});
    EXPECT_EQ(Codes(), (std::vector<uint8_t>{CmdQuery, CmdSetLanguage, CmdReboot}) );
}

TEST_F(UpdateActionsTest, ItemsRunInTheirFixedOrderAndFirmwareComesLast) {
    UseDevice();
    TempDir dir;
    WriteFileBytes(dir.File("pkg.tar"), MakeUstarArchive({{"Install.xml", "<install/>"}}));
    ui.controls.biosFilePath = dir.File("pkg.tar");
    console.firmwareFileCount = 1;
    ui.controls.macText = "00:12:13:14:15:16";
    ui.controls.autoIncrementMac = 0;
    ui.languageText = "English";
    Check({IdCheckFirmware, IdCheckLanguage, IdCheckMac, IdCheckVideoStandard, IdCheckTime});
    console.UpdateAll();
    // The completion message comes as soon as the worker runs; no question with firmware.
    EXPECT_EQ(ui.Messages().front(), "升成完成");
    EXPECT_TRUE(ui.Questions().empty());
    console.firmwareWorker.join();
    EXPECT_EQ(Codes(), (std::vector<uint8_t>{CmdQuery, CmdSetLanguage, CmdSetMac, CmdSetVideoStandard, CmdSetTime,
                                             CmdUpgradeHandshake, CmdUpgradeFirstFile, CmdReboot}));
}

TEST_F(UpdateActionsTest, ARefusedItemIsReportedAndTheNextStillRuns) {
    UseDevice();
    ui.controls.macText = "00:12:13:14:15:16";
    ui.controls.autoIncrementMac = 1;
    Check({IdCheckMac, IdCheckVideoStandard, IdCheckTime});
    device->AddFault({sim::FaultKind::RefuseConnection, 1});
    ui.onMessage = [&](const std::string&) { device->ResumeListening(); };
    console.UpdateAll();
    EXPECT_EQ(ui.Messages(), (std::vector<std::string>{"连接失败9!", "升成完成"}));
    EXPECT_EQ(Codes(), (std::vector<uint8_t>{CmdSetVideoStandard, CmdSetTime}));
    EXPECT_EQ(console.macText, "00:12:13:14:15:16"); // a failed write is not stepped
}

TEST_F(UpdateActionsTest, MacWriteSendsTheBlockAndStepsForTheNextUnit) {
    UseDevice();
    ui.controls.macText = "00:12:13:14:15:FF";
    ui.controls.autoIncrementMac = 1;
    console.PullFields();
    console.OnUpdateMac();
    std::string expected = "00:12:13:14:15:FF";
    EXPECT_EQ(MacSent(), expected);
    auto block = device->ExchangesWithCode(CmdSetMac)[0];
    EXPECT_EQ(std::vector<uint8_t>(block.command.begin(), block.command.begin() + 8), Bytes({0xD0, 0, 0, 0, 17, 0, 0, 0}));
    EXPECT_EQ(std::vector<uint8_t>(block.payload.begin() + 17, block.payload.end()), std::vector<uint8_t>(16, 0));
    EXPECT_EQ(ui.controls.macText, "00:12:13:14:16:00");
    EXPECT_EQ(ui.Messages(), std::vector<std::string>{"更新成功"});
}

TEST_F(UpdateActionsTest, MalformedMacIsNeitherSentNorStepped) {
    UseDevice();
    for (const char* text : {"00:11:22:33:44", "zz:11:22:33:44:55", ""}) {
        ui.controls.macText = text;
        console.PullFields();
        console.OnUpdateMac();
        EXPECT_EQ(console.macText, text);
    }
    EXPECT_EQ(ui.Messages(), std::vector<std::string>(3, "MAC地址无效!"));
    ASSERT_TRUE(device->WaitUntilIdle());
    EXPECT_EQ(device->ConnectionCount(), 0);
}

TEST_F(UpdateActionsTest, MacSequenceCarriesOnAcrossRuns) {
    UseDevice();
    MemorySettingsStore settings;
    settings.values[kSettingUpgradeMac] = std::string("02:00:00:00:00:FE");
    for (int run = 0; run < 3; ++run) {
        FakeConsoleUi runUi;
        OperatorConsole runConsole(runUi);
        runConsole.Initialise(settings);
        runUi.SetAddress(device->Address());
        runConsole.OnUpdateMac();
        ASSERT_TRUE(runConsole.OnClose(settings));
    }
    EXPECT_EQ(MacSent(0), "02:00:00:00:00:FE");
    EXPECT_EQ(MacSent(1), "02:00:00:00:00:FF");
    EXPECT_EQ(MacSent(2), "02:00:00:00:01:00");
    EXPECT_EQ(std::get<std::string>(settings.values[kSettingUpgradeMac]), "02:00:00:00:01:01");
}

TEST_F(UpdateActionsTest, SingleButtonsReportSuccessOnlyWhenTheyGotThrough) {
    UseDevice();
    console.OnUpdateTime();
    console.OnUpdateVideoStandard();
    EXPECT_EQ(ui.Messages(), std::vector<std::string>(2, "更新成功"));
    ui.ClearRecords();
    ui.SetAddress(UnusedLoopbackAddress());
    console.OnUpdateTime();
    console.OnUpdateVideoStandard();
    EXPECT_EQ(ui.Messages(), (std::vector<std::string>{"连接失败6", "连接失败7"}));
}

TEST_F(UpdateActionsTest, LanguageButtonRebootsOnlyOnYes) {
    UseDevice();
    ui.answers = {false, true};
    console.OnUpdateLanguage();
    console.OnUpdateLanguage();
    EXPECT_EQ(ui.Questions(), std::vector<std::string>(2, "是否重启?"));
    ASSERT_TRUE(device->WaitUntilIdle());
    EXPECT_EQ(device->RebootCount(), 1);
}
