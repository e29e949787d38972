#include "support/console_fixture.h"

using namespace tarnwell;
using namespace tarnwell::test;

namespace {

class SettingCommandsTest : public ConsoleFixture {
protected:
    // The one exchange of `code` the device received, after it went idle.
    sim::Exchange Only(uint8_t code) {
        EXPECT_TRUE(device->WaitUntilIdle());
        auto found = device->ExchangesWithCode(code);
        EXPECT_EQ(found.size(), 1u);
        return found.empty() ? sim::Exchange{} : found[0];
    }
    std::vector<uint8_t> Head(const sim::Exchange& exchange, size_t count) {
        return {exchange.command.begin(), exchange.command.begin() + static_cast<long>(count)};
    }
};

} // namespace

TEST_F(SettingCommandsTest, LanguageUpdateQueriesThenSetsOnASecondConnection) {
    UseDevice();
    ui.languageText = "SimpChinese";
    ui.languageSelection = 1;
    EXPECT_EQ(console.UpdateLanguage(), 1);
    auto query = Only(CmdQuery);
    auto set = Only(CmdSetLanguage);
    EXPECT_EQ(query.command[8], 0x14);
    EXPECT_NE(query.connection, set.connection);
    EXPECT_EQ(Head(set, 8), Bytes({0xD5, 0, 0, 0, 4, 0, 0, 0}));
    std::vector<uint8_t> value(32, 0);
    value[3] = 1;
    value[4] = 4;
    EXPECT_EQ(set.payload, value);
    EXPECT_TRUE(ui.Messages().empty());
}

TEST_F(SettingCommandsTest, LanguageUpdateWithAnotherAnswerSetsNothing) {
    sim::DeviceProfile profile;
    profile.languageQueryAnswer = QueryFlashLayout;
    profile.flashLayoutDigits = "8000000000000000";
    UseDevice(profile);
    EXPECT_EQ(console.UpdateLanguage(), 1);
    ASSERT_TRUE(device->WaitUntilIdle());
    EXPECT_TRUE(device->ExchangesWithCode(CmdSetLanguage).empty());
}

TEST_F(SettingCommandsTest, LanguageMissingFromTheDeviceIsRefused) {
    sim::DeviceProfile profile;
    profile.languageList = "English|Russian";
    UseDevice(profile);
    ui.languageText = "Russian"; // after the last separator: never compared
    EXPECT_EQ(console.UpdateLanguage(), 0);
    EXPECT_EQ(ui.Messages(), std::vector<std::string>{"不支持这种语言!"});
}

TEST_F(SettingCommandsTest, VideoStandardAndTimeBlocks) {
    UseDevice();
    ui.videoStandardSelection = 1;
    EXPECT_EQ(console.SetVideoStandard(), 1);
    auto video = Only(CmdSetVideoStandard);
    EXPECT_EQ(Head(video, 8), Bytes({0xD4, 0, 0, 0, 4, 0, 0, 0}));
    EXPECT_EQ(std::vector<uint8_t>(video.payload.begin(), video.payload.begin() + 8), Bytes({0, 0, 0, 1, 4, 0, 0, 0}));

    console.deviceDate = {2024, 3, 5, 23, 59, 59};
    console.deviceTime = {1999, 1, 1, 14, 7, 9};
    EXPECT_EQ(console.SetDeviceTime(), 1);
    auto time = Only(CmdSetTime);
    EXPECT_EQ(Head(time, 8), Bytes({0xD3, 0, 0, 0, 0x20, 0, 0, 0}));
    EXPECT_EQ(time.payload, Bytes({0, 0, 0x07, 0xE8, 0, 0, 0, 3, 0, 0, 0, 5, 0, 0, 0, 0,
                                   0, 0, 0, 0x0E, 0, 0, 0, 7, 0, 0, 0, 9, 0, 0, 0, 0}));
}

TEST_F(SettingCommandsTest, RebootAndLinkTest) {
    UseDevice();
    console.languageMatched = 1;
    console.RebootDevice();
    EXPECT_EQ(Head(Only(CmdReboot), 9), Bytes({0xD6, 0, 0, 0, 0, 0, 0, 0, 0}));
    EXPECT_EQ(console.languageMatched.load(), 0);
    EXPECT_EQ(device->RebootCount(), 1);

    int before = device->ConnectionCount();
    console.TestLink();
    ASSERT_TRUE(device->WaitUntilIdle());
    EXPECT_EQ(device->ConnectionCount(), before + 1);
    EXPECT_EQ(device->ConnectionBytes().back().size(), 0u); // connect and close, nothing sent
    EXPECT_EQ(ui.Messages(), std::vector<std::string>{"连接成功"});
}

TEST_F(SettingCommandsTest, EveryOperationNamesItsOwnConnectFailure) {
    PointAt(UnusedLoopbackAddress());
    console.RebootDevice();
    EXPECT_EQ(console.UpdateLanguage(), 0);
    EXPECT_EQ(console.SetLanguage(), 0);
    EXPECT_EQ(console.SetDeviceTime(), 0);
    EXPECT_EQ(console.SetVideoStandard(), 0);
    console.TestLink();
    EXPECT_EQ(ui.Messages(), (std::vector<std::string>{"连接失败 3", "连接失败8!", "连接失败5", "连接失败6",
                                                       "连接失败7", "连接失败10!"}));
    UiLanguage = 0;
    console.SetDeviceTime();
    UiLanguage = 1;
    EXPECT_EQ(ui.Messages().back(), "Connect Failed!");
}
