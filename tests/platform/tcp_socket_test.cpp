#include "platform/tcp_socket.h"

#include <gtest/gtest.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <thread>

using namespace tarnwell;

namespace {

// A listening socket on 127.0.0.1 with a kernel-chosen port.
struct LoopbackListener {
    int fd = ::socket(AF_INET, SOCK_STREAM, 0);
    uint16_t port = 0;
    LoopbackListener() {
        sockaddr_in address{};
        address.sin_family = AF_INET;
        address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        ::bind(fd, reinterpret_cast<sockaddr*>(&address), sizeof address);
        ::listen(fd, 4);
        socklen_t size = sizeof address;
        ::getsockname(fd, reinterpret_cast<sockaddr*>(&address), &size);
        port = ntohs(address.sin_port);
    }
    ~LoopbackListener() { ::close(fd); }
};

} // namespace

TEST(TcpSocket, ConnectsAndCarriesBytesBothWays) {
    LoopbackListener listener;
    TcpSocket client = TcpSocket::Create();
    ASSERT_TRUE(client.Connect("127.0.0.1", listener.port));
    TcpSocket server(::accept(listener.fd, nullptr, nullptr));
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
    TcpSocket(::accept(listener.fd, nullptr, nullptr)).Abort();
    std::string chunk(65536, 'y');
    bool failed = false;
    for (int i = 0; i < 100 && !failed; ++i) failed = !client.SendAll(chunk.data(), chunk.size());
    EXPECT_TRUE(failed);
}
