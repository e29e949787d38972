#include "web/http_cgi_client.h"

#include <chrono>
#include <cstring>
#include <gtest/gtest.h>
#include <memory>

#include "sim/web_cgi_server.h"
#include "support/debug_output_capture.h"
#include "support/scripted_peer.h"

using namespace tarnwell;
using sim::WebCgiScript;
using sim::WebCgiServer;

namespace {

constexpr HttpLimits kShortLimits{Milliseconds{1000}, Milliseconds{1000}, Milliseconds{300}};

class HttpCgiClient : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_TRUE(server.Start("127.0.0.31")); }

    int Get(WebCgiScript script, char* buffer, size_t length) {
        server.SetScript(std::move(script));
        TcpSocket socket = ConnectWithTimeout("127.0.0.31", server.Port(), kShortLimits);
        EXPECT_TRUE(socket.IsValid());
        return HttpGet(socket, "127.0.0.31", "/cgi-bin/setparm.cgi?Serial=1", buffer, length, kShortLimits);
    }

    WebCgiServer server;
};

} // namespace

TEST_F(HttpCgiClient, ConnectedSocketIsBlocking) {
    TcpSocket socket = ConnectWithTimeout("127.0.0.31", server.Port());
    ASSERT_TRUE(socket.IsValid());
    // Neither platform tells a socket's mode the same way, so watch it: with
    // nothing sent yet, a blocking receive waits out its limit; a non-blocking
    // one fails at once.
    ASSERT_TRUE(socket.SetReceiveLimit(std::chrono::milliseconds(300)));
    char byte = 0;
    const auto started = std::chrono::steady_clock::now();
    EXPECT_EQ(socket.ReceiveSome(&byte, 1), -1);
    EXPECT_GE(std::chrono::steady_clock::now() - started, std::chrono::milliseconds(250));
}

TEST_F(HttpCgiClient, LowerCaseOkInTheBodyIsSuccessInAHeaderOrUpperCaseIsNot) {
    char buffer[kHttpBufferSize];
    EXPECT_EQ(Get(WebCgiScript::Ok(), buffer, sizeof buffer), 0);
    EXPECT_EQ(Get(WebCgiScript::OkInHeaderOnly(), buffer, sizeof buffer), -1);
    EXPECT_EQ(Get(WebCgiScript::UpperCaseOkOnly(), buffer, sizeof buffer), -1);
}

TEST_F(HttpCgiClient, BrokenPeersEndInFailure) {
    char buffer[kHttpBufferSize];
    test::DebugOutputCapture debug;
    EXPECT_EQ(Get(WebCgiScript::CloseAtOnce(), buffer, sizeof buffer), -1);
    EXPECT_EQ(Get(WebCgiScript::Reset(), buffer, sizeof buffer), -1);
    std::string diagnostics = debug.Text();
    EXPECT_NE(diagnostics.find("Recv Error!\n"), std::string::npos) << diagnostics;
}

TEST_F(HttpCgiClient, ReplyFillingTheBufferIsScannedOnlyWithinIt) {
    // The scripted reply's only "ok" straddles the end of the buffer. A scan that
    // ran past the received bytes would meet the sentinel "k" placed right after.
    char guarded[kHttpBufferSize + 2];
    std::memset(guarded, 0, sizeof guarded);
    guarded[kHttpBufferSize] = 'k';
    EXPECT_EQ(Get(WebCgiScript::Oversized(), guarded, kHttpBufferSize), -1);
    EXPECT_EQ(guarded[kHttpBufferSize - 1], 'o');

    // An exactly sized heap buffer, for the sanitizer build.
    auto exact = std::make_unique<char[]>(kHttpBufferSize);
    EXPECT_EQ(Get(WebCgiScript::Oversized(), exact.get(), kHttpBufferSize), -1);
}

TEST_F(HttpCgiClient, SilentDeviceFailsWithinTheReplyLimit) {
    char buffer[kHttpBufferSize];
    test::DebugOutputCapture debug;
    auto start = std::chrono::steady_clock::now();
    EXPECT_EQ(Get(WebCgiScript::Silent(), buffer, sizeof buffer), -1);
    auto elapsed = std::chrono::steady_clock::now() - start;
    EXPECT_EQ(debug.Text(), "select Error!\n");
    EXPECT_GE(elapsed, Milliseconds{250});
    EXPECT_LT(elapsed, Milliseconds{2000});
}

TEST_F(HttpCgiClient, RequestThatDoesNotFitIsNotSent) {
    char buffer[kHttpBufferSize];
    server.SetScript(WebCgiScript::Ok());
    TcpSocket socket = ConnectWithTimeout("127.0.0.31", server.Port(), kShortLimits);
    ASSERT_TRUE(socket.IsValid());
    test::DebugOutputCapture debug;
    EXPECT_EQ(HttpGet(socket, "127.0.0.31", "/" + std::string(kHttpBufferSize, 'a'), buffer, sizeof buffer,
                      kShortLimits),
              -1);
    debug.Text();
    socket.Close();
    ASSERT_TRUE(server.WaitForConnections(1, Milliseconds{3000}));
    EXPECT_EQ(server.Requests().at(0), "");
}

TEST(HttpConnect, ClosedPortAndBadPortsFailWithDiagnostic) {
    WebCgiServer server;
    ASSERT_TRUE(server.Start("127.0.0.32"));
    const int closedPort = server.Port();
    server.Stop();
    for (int port : {closedPort, 0, -1, 65536}) {
        testing::internal::CaptureStdout();
        EXPECT_FALSE(ConnectWithTimeout("127.0.0.32", port, kShortLimits).IsValid()) << port;
        EXPECT_EQ(testing::internal::GetCapturedStdout(), "Connect Fail!\n");
    }
    testing::internal::CaptureStdout();
    EXPECT_FALSE(ConnectWithTimeout("127.0.0.300", 80, kShortLimits).IsValid());
    EXPECT_EQ(testing::internal::GetCapturedStdout(), "Connect Fail!\n");
}

namespace {

// The reply as a web server of a real device may send it: in pieces, or with an error status.
int GetFromPeer(const std::vector<std::string>& pieces) {
    const std::string path = "/cgi-bin/setparm.cgi?Serial=1";
    test::PeerScript script;
    script.push_back(test::ReadBytes(BuildHttpGetRequest("HOST", path).size()));
    for (const std::string& piece : pieces) {
        script.push_back(test::WriteBytes(piece));
        script.push_back(test::PauseFor(Milliseconds{50}));
    }
    test::ScriptedPeer peer({script}, 8080);
    TcpSocket socket = ConnectWithTimeout(peer.Address(), 8080, kShortLimits);
    EXPECT_TRUE(socket.IsValid());
    char buffer[kHttpBufferSize];
    // The peer reads the request by its length, so it closes with nothing unread.
    return HttpGet(socket, "HOST", path, buffer, sizeof buffer, kShortLimits);
}

} // namespace

TEST(HttpReply, IsReadWholeAcrossSegments) {
    EXPECT_EQ(GetFromPeer({"HTTP/1.1 200 OK\r\nContent-Type: text/plain\r\n\r\n", "ok"}), 0);
    EXPECT_EQ(GetFromPeer({"HTTP/1.1 200 OK\r\n", "Content-Length: 2\r\n\r\n", "o", "k"}), 0);
    EXPECT_EQ(GetFromPeer({"HTTP/1.1 200 OK\r\n\r\n", "refused"}), -1);
}

TEST(HttpReply, OkMustBeAWordOfTheBodyOfASuccessReply) {
    EXPECT_EQ(GetFromPeer({"HTTP/1.1 200 OK\r\nContent-Length: 20\r\n\r\nERROR: invalid token"}), -1);
    EXPECT_EQ(GetFromPeer({"HTTP/1.1 302 Found\r\nLocation: /ok\r\nContent-Length: 2\r\n\r\nok"}), -1);
    EXPECT_EQ(GetFromPeer({"HTTP/1.1 200 OK\r\nContent-Length: 9\r\n\r\nresult=ok"}), 0);
    EXPECT_EQ(GetFromPeer({"HTTP/1.1 200 OK\r\n\r\nbooking"}), -1);
}

// A keep-alive server leaves the connection open: the reply ends where it says.
TEST(HttpReply, IsCompleteAtItsLengthOrLastChunkWithoutWaitingForAClose) {
    const std::string path = "/cgi-bin/setparm.cgi?Serial=1";
    const std::vector<std::string> replies{
        "HTTP/1.1 200 OK\r\nContent-Length: 2\r\n\r\nok",
        "HTTP/1.1 200 OK\r\nTransfer-Encoding: chunked\r\n\r\n3\r\nres\r\n",
    };
    for (const std::string& first : replies) {
        SCOPED_TRACE(first);
        test::PeerScript script{test::ReadBytes(BuildHttpGetRequest("HOST", path).size()), test::WriteBytes(first)};
        if (first.find("chunked") != std::string::npos)
            script.push_back(test::WriteBytes("5\r\nult=o\r\n1\r\nk\r\n0\r\n\r\n"));
        script.push_back(test::PauseFor(Milliseconds{3000}));
        test::ScriptedPeer peer({script}, 8080);
        // Longer than the test allows: only the reply's own end can stop the read in time.
        const HttpLimits patient{Milliseconds{1000}, Milliseconds{1000}, Milliseconds{2500}};
        TcpSocket socket = ConnectWithTimeout(peer.Address(), 8080, patient);
        char buffer[kHttpBufferSize];
        const auto start = std::chrono::steady_clock::now();
        EXPECT_EQ(HttpGet(socket, "HOST", path, buffer, sizeof buffer, patient), 0);
        EXPECT_LT(std::chrono::steady_clock::now() - start, Milliseconds{1000});
        socket.Close();
    }
}

TEST(HttpReply, AnErrorStatusIsAFailureEvenWithAnOk) {
    EXPECT_EQ(GetFromPeer({"HTTP/1.1 500 Internal Server Error\r\nSet-Cookie: token=ok\r\n\r\n"}), -1);
    EXPECT_EQ(GetFromPeer({"HTTP/1.0 404 Not Found\r\n\r\nok"}), -1);
    EXPECT_EQ(GetFromPeer({"HTTP/1.1 403 Forbidden\r\n", "\r\nok"}), -1);
    // A reply without a status line is judged by its "ok" alone, as before.
    EXPECT_EQ(GetFromPeer({"ok"}), 0);
}
