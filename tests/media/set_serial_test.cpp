#include "media/media_fixture.h"
#include "protocol/command_block.h"
#include "sim/web_cgi_server.h"

using namespace tarnwell;
using namespace tarnwell::test;
using sim::WebCgiScript;
using sim::WebCgiServer;

namespace {

class SetSerialTest : public MediaFixture {
protected:
    // A device with its web CGI on `port` (0: any free port) and the Serial and Web Port edits filled.
    void UseDeviceWithWeb(const std::string& serial, uint16_t port = 0) {
        UseDevice();
        ASSERT_TRUE(web.Start(device->Address(), port));
        ui.controls.serialText = serial;
        ui.controls.webPortText = std::to_string(web.Port());
    }
    WebCgiServer web;
};

} // namespace

TEST_F(SetSerialTest, SendsTheExactRequestAndRebootsOnlyOnYes) {
    ScopedUiLanguage english(0);
    UseDeviceWithWeb("SN 0042&batch=7", 8080);
    console.OnSetSerial();
    ASSERT_TRUE(web.WaitForConnections(1, Milliseconds{3000}));
    EXPECT_EQ(web.Requests(), std::vector<std::string>{
        "GET /cgi-bin/setparm.cgi?Serial=SN 0042&batch=7 HTTP/1.1\r\n"
        "Accept: */*\r\n"
        "Accept-Language: zh-cn\r\n"
        "Accept-Encoding: gzip, deflate\r\n"
        "User-Agent: Mozilla/4.0 (compatible; MSIE 6.0; Windows NT 5.1; SV1; .NET CLR 2.0.50727)\r\n"
        "Host: " + device->Address() + "\r\n"
        "Connection: Keep-Alive\r\n"
        "\r\n"});
    // The success box is Chinese under an English caption whatever the language.
    using Captioned = std::vector<std::pair<std::string, std::string>>;
    EXPECT_EQ(ui.captionedMessages, (Captioned{{"Set Success!", "设置成功"}}));
    EXPECT_EQ(ui.Questions(), std::vector<std::string>{"Whether to Reboot?"});
    EXPECT_TRUE(ui.Messages().empty());
    ASSERT_TRUE(device->WaitUntilIdle());
    EXPECT_EQ(device->ConnectionCount(), 0); // answered No

    ui.answers.push_back(true);
    console.OnSetSerial();
    ASSERT_TRUE(device->WaitUntilIdle());
    EXPECT_EQ(device->RebootCount(), 1);
    EXPECT_EQ(device->ExchangesWithCode(CmdReboot).size(), 1u);
}

TEST_F(SetSerialTest, OnlyTheWordOkInTheBodyCountsAsSuccess) {
    UseDeviceWithWeb("A1");
    web.SetScript(WebCgiScript::OkInHeaderOnly());
    console.OnSetSerial();
    EXPECT_TRUE(ui.captionedMessages.empty());
    EXPECT_EQ(ui.Messages(), std::vector<std::string>{"设置失败 CGI"});

    ui.ClearRecords();
    web.SetScript(WebCgiScript::UpperCaseOkOnly());
    console.OnSetSerial();
    EXPECT_EQ(ui.Messages(), std::vector<std::string>{"设置失败 CGI"});
    EXPECT_TRUE(ui.Questions().empty());
}

TEST_F(SetSerialTest, UntrustedRepliesEndWithSetFailInBoundedTime) {
    UseDeviceWithWeb("A1");
    for (auto script : {WebCgiScript::Oversized(), WebCgiScript::Silent(), WebCgiScript::Reset(),
                        WebCgiScript::CloseAtOnce()}) {
        ui.ClearRecords();
        web.SetScript(script);
        auto start = std::chrono::steady_clock::now();
        console.OnSetSerial();
        EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(3));
        EXPECT_EQ(ui.Messages(), std::vector<std::string>{"设置失败 CGI"});
    }
    EXPECT_TRUE(ui.captionedMessages.empty());
}

TEST_F(SetSerialTest, WebPortThatIsNotANumberFailsToConnect) {
    ScopedUiLanguage english(0);
    UseDeviceWithWeb("A1");
    ui.controls.webPortText = "web";
    testing::internal::CaptureStdout();
    console.OnSetSerial();
    testing::internal::GetCapturedStdout();
    EXPECT_EQ(ui.Messages(), std::vector<std::string>{"Connect Failed!"});
    EXPECT_EQ(web.ConnectionCount(), 0u);
}

TEST_F(SetSerialTest, EmptyOrRefusedSerialSendsNothing) {
    UseDeviceWithWeb("");
    console.OnSetSerial();
    EXPECT_TRUE(ui.Messages().empty());

    ui.controls.serialText = "A1\r\nX-Injected: 1";
    console.OnSetSerial();
    ui.controls.serialText = std::string(3000, 'S');
    console.OnSetSerial();
    EXPECT_EQ(ui.Messages(), (std::vector<std::string>{"序列号含有非法字符!", "序列号太长!"}));
    EXPECT_EQ(web.ConnectionCount(), 0u);
    EXPECT_TRUE(ui.captionedMessages.empty());
}
