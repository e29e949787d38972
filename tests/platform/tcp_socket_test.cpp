#include "platform/tcp_socket.h"

#include "platform/socket_wait.h"
#include "platform/tcp_listener.h"

#include <gtest/gtest.h>
#include <thread>

using namespace tarnwell;

namespace {

// A listening socket on 127.0.0.1 with a system-chosen port.
struct LoopbackListener {
    TcpListener socket;
    uint16_t port = 0;
    LoopbackListener() {
        EXPECT_TRUE(socket.Listen(NetworkOrder(0x7f000001), 0));
        port = socket.Port();
    }
    // The next connection, waiting for it to arrive.
    TcpSocket Accept() {
        EXPECT_TRUE(WaitForSocket(socket.Handle(), false, Milliseconds(5000)));
        return socket.Accept();
    }
};

} // namespace

TEST(TcpSocket, ConnectsAndCarriesBytesBothWays) {
    LoopbackListener listener;
    TcpSocket client = TcpSocket::Create();
    ASSERT_TRUE(client.Connect("127.0.0.1", listener.port));
    TcpSocket server = listener.Accept();
    std::string big(200000, 'x');
    std::thread sender([&] { EXPECT_TRUE(client.SendAll(big.data(), big.size())); });
    std::string got;
    char buffer[4096];
    while (got.size() < big.size()) {
        ssize_t n = server.ReceiveSome(buffer, sizeof buffer);
        ASSERT_GT(n, 0);
        got.append(buffer, static_cast<size_t>(n));
    }
    sender.join();
    EXPECT_EQ(got, big);
}

TEST(TcpSocket, RefusedAndUnusableAddressesFailToConnect) {
    uint16_t closedPort;
    {
        LoopbackListener gone;
        closedPort = gone.port;
    }
    TcpSocket refused = TcpSocket::Create();
    EXPECT_FALSE(refused.Connect("127.0.0.1", closedPort));
    TcpSocket any = TcpSocket::Create();
    EXPECT_FALSE(any.Connect("0.0.0.0", closedPort)); // Winsock refuses the any-address
    TcpSocket garbage = TcpSocket::Create();
    EXPECT_FALSE(garbage.Connect("not an address", closedPort));
}

TEST(TcpSocket, ReceiveLimitEndsAWaitForASilentPeer) {
    LoopbackListener listener;
    TcpSocket client = TcpSocket::Create();
    ASSERT_TRUE(client.Connect("127.0.0.1", listener.port));
    ASSERT_TRUE(client.SetReceiveLimit(Milliseconds(50)));
    char byte;
    EXPECT_LT(client.ReceiveSome(&byte, 1), 0);
}

TEST(TcpSocket, SendToAResetPeerFailsWithoutSignal) {
    LoopbackListener listener;
    TcpSocket client = TcpSocket::Create();
    ASSERT_TRUE(client.Connect("127.0.0.1", listener.port));
    listener.Accept().Abort();
    std::string chunk(65536, 'y');
    bool failed = false;
    for (int i = 0; i < 100 && !failed; ++i) failed = !client.SendAll(chunk.data(), chunk.size());
    EXPECT_TRUE(failed);
}
