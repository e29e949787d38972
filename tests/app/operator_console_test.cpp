#include "platform/settings_store.h"
#include "support/console_fixture.h"
#include "support/memory_settings_store.h"

using namespace tarnwell;
using namespace tarnwell::test;

namespace {

class OperatorConsoleTest : public ConsoleFixture {
protected:
    MemorySettingsStore settings;
};

} // namespace

TEST_F(OperatorConsoleTest, FirstRunStartsFromTheDefaults) {
    console.Initialise(settings);
    EXPECT_TRUE(ui.addressBlank);
    EXPECT_EQ(ui.controls.macText, "");
    EXPECT_EQ(ui.controls.autoIncrementMac, 1);
    EXPECT_EQ(ui.controls.webPortText, "80");
    LocalDateTime now = LocalDateTime::Now();
    EXPECT_EQ(ui.controls.deviceDate.year, now.year);
    EXPECT_EQ(ui.controls.deviceTime.day, now.day);
}

TEST_F(OperatorConsoleTest, SettingsSurviveARestart) {
    settings.values[kSettingUpgradeIp] = std::string("127.0.0.9");
    settings.values[kSettingUpgradeMac] = std::string("00:11:22:33:44:55");
    console.Initialise(settings);
    EXPECT_EQ(ui.AddressControlText(), "127.0.0.9");
    EXPECT_EQ(ui.controls.macText, "00:11:22:33:44:55");

    ui.SetAddress("10.1.2.3");
    ui.controls.macText = "00:11:22:33:44:56";
    ui.controls.webPortText = "8080";
    ASSERT_TRUE(console.OnClose(settings));
    EXPECT_EQ(std::get<std::string>(settings.values[kSettingUpgradeIp]), "10.1.2.3");
    EXPECT_EQ(std::get<std::string>(settings.values[kSettingUpgradeMac]), "00:11:22:33:44:56");
    EXPECT_EQ(std::get<uint32_t>(settings.values[kSettingUpgradePort]), 10002u);

    FakeConsoleUi nextUi;
    OperatorConsole next(nextUi);
    next.Initialise(settings);
    EXPECT_EQ(nextUi.AddressControlText(), "10.1.2.3");
    EXPECT_EQ(nextUi.controls.webPortText, "80");
}

TEST_F(OperatorConsoleTest, UnusableSettingsLeaveTheDefaultsSilently) {
    settings.values[kSettingUpgradeIp] = std::string(254, '1'); // 255 with its zero: fits
    settings.values[kSettingUpgradeMac] = std::string(255, 'A'); // 256 with its zero: does not
    console.Initialise(settings);
    EXPECT_EQ(console.deviceAddressText.size(), 254u);
    EXPECT_EQ(ui.controls.macText, "");

    MemorySettingsStore wrongType;
    wrongType.values[kSettingUpgradeMac] = uint32_t{7};
    FakeConsoleUi otherUi;
    OperatorConsole other(otherUi);
    other.Initialise(wrongType);
    EXPECT_EQ(otherUi.controls.macText, "");

    MemorySettingsStore locked;
    locked.openFails = true;
    EXPECT_TRUE(other.OnClose(locked));
    EXPECT_TRUE(locked.values.empty());
    EXPECT_TRUE(ui.Messages().empty());
    EXPECT_TRUE(otherUi.Messages().empty());
}

TEST_F(OperatorConsoleTest, TimerKeepsTypedTextAndResetsThePickers) {
    console.Initialise(settings);
    ui.controls.macText = "typed";
    ui.controls.deviceDate = {2001, 2, 3, 4, 5, 6};
    ui.controls.deviceTime = {2001, 2, 3, 4, 5, 6};
    console.OnTimer();
    EXPECT_EQ(console.macText, "typed");
    EXPECT_EQ(ui.controls.macText, "typed");
    EXPECT_EQ(ui.controls.deviceDate.year, LocalDateTime::Now().year);
    EXPECT_NE(ui.controls.deviceTime.year, 2001);
}

TEST_F(OperatorConsoleTest, CloseAndEscapeAreRefusedWhileAnUpgradeRuns) {
    console.Initialise(settings);
    console.busyWorker = true;
    EXPECT_FALSE(console.OnClose(settings));
    EXPECT_FALSE(console.OnCancel());
    EXPECT_TRUE(settings.values.empty());
    EXPECT_EQ(ui.Messages(), std::vector<std::string>(2, "正在更新,请稍候!"));
    console.busyWorker = false;
    EXPECT_TRUE(console.OnCancel());
    EXPECT_TRUE(settings.values.empty()); // Escape saves nothing
}

TEST_F(OperatorConsoleTest, DeviceAddressComesFromTheControl) {
    ui.SetAddress("");
    console.ReadDeviceAddress();
    EXPECT_EQ(console.deviceAddressText, "0.0.0.0");
    ui.SetAddress("192.168.1.10");
    console.ReadDeviceAddress();
    EXPECT_EQ(console.deviceAddressText, "192.168.1.10");
}

TEST(FileVersion, ComesFromTheCompiledInRecord) {
    EXPECT_EQ(OperatorConsole::GetFileVersionText(), "2, 0, 0, 10");
}
