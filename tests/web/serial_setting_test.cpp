#include "web/serial_setting.h"

#include <climits>
#include <gtest/gtest.h>

#include "sim/web_cgi_server.h"

using namespace tarnwell;
using sim::WebCgiScript;
using sim::WebCgiServer;

namespace {

constexpr HttpLimits kShortLimits{Milliseconds{1000}, Milliseconds{1000}, Milliseconds{1000}};

std::string ExpectedRequest(const std::string& serial, const std::string& host) {
    return "GET /cgi-bin/setparm.cgi?Serial=" + serial + " HTTP/1.1\r\n"
           "Accept: */*\r\n"
           "Accept-Language: zh-cn\r\n"
           "Accept-Encoding: gzip, deflate\r\n"
           "User-Agent: Mozilla/4.0 (compatible; MSIE 6.0; Windows NT 5.1; SV1; .NET CLR 2.0.50727)\r\n"
           "Host: " + host + "\r\n"
           "Connection: Keep-Alive\r\n"
           "\r\n";
}

} // namespace

TEST(SerialSetting, SendsExactRequestOnWebPortWithHostAlone) {
    WebCgiServer server;
    if (!server.Start("127.77.0.80", 8080)) GTEST_SKIP() << "127.77.0.80:8080 is taken";
    const std::string serial = "SN 0042&batch=7 x";
    EXPECT_EQ(SendSerial("127.77.0.80", "8080", serial, kShortLimits), SerialOutcome::Succeeded);
    ASSERT_TRUE(server.WaitForConnections(1, Milliseconds{3000}));
    ASSERT_EQ(server.Requests().size(), 1u);
    EXPECT_EQ(server.Requests()[0], ExpectedRequest(serial, "127.77.0.80"));
}

TEST(SerialSetting, RepliesDecideTheOutcome) {
    WebCgiServer server;
    ASSERT_TRUE(server.Start("127.0.0.33"));
    const std::string port = std::to_string(server.Port());
    server.SetScript(WebCgiScript::UpperCaseOkOnly());
    EXPECT_EQ(SendSerial("127.0.0.33", port, "A1", kShortLimits), SerialOutcome::SetFailed);
    server.SetScript(WebCgiScript::OkInHeaderOnly());
    EXPECT_EQ(SendSerial("127.0.0.33", port, "A1", kShortLimits), SerialOutcome::SetFailed);
    server.SetScript(WebCgiScript::Ok());
    EXPECT_EQ(SendSerial("127.0.0.33", port, "A1", kShortLimits), SerialOutcome::Succeeded);
}

TEST(SerialSetting, PortThatIsNotANumberFailsToConnect) {
    testing::internal::CaptureStdout();
    EXPECT_EQ(SendSerial("127.0.0.34", "web", "A1", kShortLimits), SerialOutcome::ConnectFailed);
    EXPECT_EQ(testing::internal::GetCapturedStdout(), "Connect Fail!\n");
}

TEST(SerialSetting, PortBeyondRangeDoesNotWrapToAnotherPort) {
    // 70000 narrowed to 16 bits is 4464.
    WebCgiServer server;
    if (!server.Start("127.77.0.81", 70000 - 65536)) GTEST_SKIP() << "127.77.0.81:4464 is taken";
    testing::internal::CaptureStdout();
    EXPECT_EQ(SendSerial("127.77.0.81", "70000", "A1", kShortLimits), SerialOutcome::ConnectFailed);
    testing::internal::GetCapturedStdout();
    EXPECT_EQ(server.ConnectionCount(), 0u);
}

TEST(SerialSetting, WebPortReadsLikeAtoiWithoutOverflow) {
    EXPECT_EQ(WebPortFromText("8080"), 8080);
    EXPECT_EQ(WebPortFromText("  80/tcp"), 80);
    EXPECT_EQ(WebPortFromText("web"), 0);
    EXPECT_EQ(WebPortFromText(""), 0);
    EXPECT_EQ(WebPortFromText("-8"), -8);
    EXPECT_EQ(WebPortFromText("99999999999999999999"), INT_MAX);
}

TEST(SerialSetting, ControlCharactersAreRefusedBeforeConnecting) {
    WebCgiServer server;
    ASSERT_TRUE(server.Start("127.0.0.35"));
    const std::string port = std::to_string(server.Port());
    for (const std::string& serial : std::initializer_list<std::string>{"A1\r\nX-Evil: 1", "A1\n", "A\t1", std::string("A\0" "1", 3), "A\x7F"}) {
        EXPECT_EQ(CheckSerialText(serial, "127.0.0.35"), SerialRefusal::ControlCharacter);
        EXPECT_EQ(SendSerial("127.0.0.35", port, serial, kShortLimits), SerialOutcome::Refused);
    }
    EXPECT_EQ(CheckSerialText("序列 1&2", "127.0.0.35"), SerialRefusal::None);
    EXPECT_EQ(server.ConnectionCount(), 0u);
    EXPECT_FALSE(SerialRefusalMessage(SerialRefusal::ControlCharacter).chinese.empty());
}

TEST(SerialSetting, LongestSerialThatFitsGoesOutOneMoreIsRefused) {
    WebCgiServer server;
    ASSERT_TRUE(server.Start("127.0.0.36"));
    const std::string host = "127.0.0.36";
    const size_t fixed = ExpectedRequest("", host).size();
    const std::string longest(kHttpBufferSize - 1 - fixed, '7');
    EXPECT_EQ(CheckSerialText(longest + "7", host), SerialRefusal::TooLong);
    EXPECT_EQ(SendSerial(host, std::to_string(server.Port()), longest + "7", kShortLimits), SerialOutcome::Refused);
    EXPECT_EQ(SendSerial(host, std::to_string(server.Port()), longest, kShortLimits), SerialOutcome::Succeeded);
    ASSERT_TRUE(server.WaitForConnections(1, Milliseconds{3000}));
    EXPECT_EQ(server.Requests().at(0), ExpectedRequest(longest, host));
}
