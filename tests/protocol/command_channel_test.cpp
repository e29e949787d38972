#include "platform/tcp_socket.h"
#include "support/console_fixture.h"
#include "support/socket_pair.h"

#include <thread>

using namespace tarnwell;
using namespace tarnwell::test;

namespace {

class CommandChannelTest : public ConsoleFixture {
protected:
    // A connected pair: what the console sends arrives on `peer`.
    void Pair() { ASSERT_TRUE(ConnectSocketPair(connection, peer)); }
    std::string Drain() {
        peer.SetReceiveLimit(std::chrono::milliseconds(200));
        std::string got;
        char buffer[8192];
        for (ssize_t n; (n = peer.ReceiveSome(buffer, sizeof buffer)) > 0;) got.append(buffer, static_cast<size_t>(n));
        return got;
    }
    TcpSocket connection, peer;
};

} // namespace

TEST_F(CommandChannelTest, SendFileSendsEveryByteAndStepsTheBar) {
    Pair();
    std::string data(3001, '\0');
    for (size_t i = 0; i < data.size(); ++i) data[i] = static_cast<char>(i * 7);
    console.SendFile(connection, reinterpret_cast<const uint8_t*>(data.data()), data.size());
    EXPECT_EQ(Drain(), data);
    EXPECT_EQ(ui.ProgressPositions(), (std::vector<int>{49, 99, 100}));
    EXPECT_TRUE(ui.Messages().empty());
}

TEST_F(CommandChannelTest, SendFileOfNothingReportsAnError) {
    Pair();
    console.SendFile(connection, nullptr, 0);
    EXPECT_EQ(ui.Messages(), std::vector<std::string>{"发送数据失败!"});
    EXPECT_TRUE(ui.ProgressPositions().empty());
}

TEST_F(CommandChannelTest, SendersReportAClosedPeerAndGoOn) {
    Pair();
    // A reset, not a close: over TCP a send after the peer's orderly close
    // still succeeds once, on every platform.
    peer.Abort();
    ASSERT_TRUE(connection.WaitReadable(std::chrono::milliseconds(5000)));
    console.SendCmdReadyUpgrade(connection);
    console.SendFileAttr(connection, 0, 10);
    std::string data(10, 'x');
    console.SendFile(connection, reinterpret_cast<const uint8_t*>(data.data()), data.size());
    EXPECT_EQ(ui.Messages(), (std::vector<std::string>{"SendCmdReadyUpgrade 发送数据失败!", "SendFileAttr 发送数据失败!",
                                                       "发送数据失败!"}));
    UiLanguage = 0;
    console.SendFileAttr(connection, 0, 10);
    UiLanguage = 1;
    EXPECT_EQ(ui.Messages().back(), "SendFileAttr Send data error");
}

TEST_F(CommandChannelTest, SendersPutTheExactBytesOnTheWire) {
    Pair();
    console.SendCmdReadyUpgrade(connection);
    console.SendFileAttr(connection, 6, 4097);
    std::string wire = Drain();
    ASSERT_EQ(wire.size(), 40u);
    EXPECT_EQ(static_cast<uint8_t>(wire[0]), 0xC7);
    EXPECT_EQ(wire.substr(1, 31), std::string(31, '\0'));
    EXPECT_EQ(wire.substr(32), std::string("\0\0\0\x06\0\0\x10\x01", 8));
}
