// Waiting on sockets and waking a waiting thread: what the simulator's accept
// loops stand on, on every platform.
#include "platform/socket_wait.h"
#include "platform/socket_waker.h"
#include "platform/tcp_listener.h"
#include "platform/udp_socket.h"

#include <gtest/gtest.h>

#include <chrono>
#include <thread>

using namespace tarnwell;
using namespace std::chrono_literals;
using Clock = std::chrono::steady_clock;

namespace {

const uint32_t kLoopback = NetworkOrder(0x7f000001);

UdpSocket BoundLoopbackSocket() {
    UdpSocket socket;
    EXPECT_TRUE(socket.Open());
    EXPECT_TRUE(socket.Bind({kLoopback, 0}));
    return socket;
}

} // namespace

TEST(SocketWaker, WakesAThreadWaitingForEverAndDrainsBackToQuiet) {
    SocketWaker waker;
    ASSERT_TRUE(waker.Open());
    UdpSocket quiet = BoundLoopbackSocket();
    EXPECT_FALSE(WaitForSocket(waker.Handle(), false, 0ms)) << "a fresh waker is quiet";

    std::thread wake([&] {
        std::this_thread::sleep_for(50ms);
        waker.Wake();
    });
    SocketWait entries[2] = {{quiet.Handle()}, {waker.Handle()}};
    EXPECT_EQ(WaitForSockets(entries, 2, Milliseconds(-1)), 1);
    wake.join();
    EXPECT_FALSE(entries[0].ready);
    EXPECT_TRUE(entries[1].ready);

    waker.Wake();
    waker.Wake();
    waker.Drain();
    EXPECT_FALSE(WaitForSocket(waker.Handle(), false, 20ms)) << "every wake-up was drained";
}

TEST(SocketWait, SkipsInvalidEntriesAndTimesOut) {
    UdpSocket quiet = BoundLoopbackSocket();
    SocketWait entries[2] = {{kInvalidSocket}, {quiet.Handle()}};
    const auto start = Clock::now();
    EXPECT_EQ(WaitForSockets(entries, 2, 60ms), 0);
    EXPECT_GE(Clock::now() - start, 50ms);
    EXPECT_FALSE(entries[0].ready);
    EXPECT_FALSE(entries[1].ready);
}

TEST(UdpSocket, CarriesDatagramsOnLoopbackAndNamesTheSender) {
    UdpSocket receiver = BoundLoopbackSocket();
    UdpSocket sender = BoundLoopbackSocket();
    const UdpEndpoint target = receiver.LocalEndpoint();
    ASSERT_EQ(target.address, kLoopback);
    ASSERT_NE(target.port, 0);

    const std::string datagram("probe\r\n\0\x1a", 9);
    ASSERT_EQ(sender.SendTo(datagram.data(), datagram.size(), target), 9);
    ASSERT_TRUE(WaitForSocket(receiver.Handle(), false, 2000ms));
    char buffer[64] = {};
    UdpEndpoint from;
    ASSERT_EQ(receiver.Receive(buffer, sizeof buffer, &from), 9);
    EXPECT_EQ(std::string(buffer, 9), datagram);
    EXPECT_EQ(from.address, kLoopback);
    EXPECT_EQ(from.port, sender.LocalEndpoint().port);
}

TEST(UdpSocket, ALongDatagramArrivesCutToTheBuffer) {
    UdpSocket receiver = BoundLoopbackSocket();
    UdpSocket sender = BoundLoopbackSocket();
    const std::string datagram(300, 'a');
    ASSERT_EQ(sender.SendTo(datagram.data(), datagram.size(), receiver.LocalEndpoint()), 300);
    ASSERT_TRUE(WaitForSocket(receiver.Handle(), false, 2000ms));
    char buffer[165];
    EXPECT_EQ(receiver.Receive(buffer, sizeof buffer), 165);
    // The rest of that datagram is gone, not waiting as a second one.
    EXPECT_FALSE(WaitForSocket(receiver.Handle(), false, 20ms));
}

TEST(UdpSocket, SharedBindingLetsSeveralSocketsHoldOnePort) {
    UdpSocket first;
    ASSERT_TRUE(first.Open());
    ASSERT_TRUE(first.Bind({kLoopback, 0}, true));
    UdpSocket second;
    ASSERT_TRUE(second.Open());
    EXPECT_TRUE(second.Bind(first.LocalEndpoint(), true));
    UdpSocket exclusive;
    ASSERT_TRUE(exclusive.Open());
    EXPECT_FALSE(exclusive.Bind(first.LocalEndpoint(), false));
}

TEST(TcpListener, AcceptsOnlyWhatWaitsAndHandsOutBlockingSockets) {
    TcpListener listener;
    ASSERT_TRUE(listener.Listen(kLoopback, 0));
    ASSERT_NE(listener.Port(), 0);
    const auto start = Clock::now();
    EXPECT_FALSE(listener.Accept().IsValid()) << "nothing waits";
    EXPECT_LT(Clock::now() - start, 500ms) << "the listener never blocks";

    TcpSocket client = TcpSocket::Create();
    ASSERT_TRUE(client.Connect("127.0.0.1", listener.Port()));
    ASSERT_TRUE(WaitForSocket(listener.Handle(), false, 2000ms));
    TcpSocket accepted = listener.Accept();
    ASSERT_TRUE(accepted.IsValid());
    // A blocking socket waits out its receive limit instead of failing at once.
    ASSERT_TRUE(accepted.SetReceiveLimit(100ms));
    char byte = 0;
    const auto receiveStart = Clock::now();
    EXPECT_LT(accepted.ReceiveSome(&byte, 1), 0);
    EXPECT_GE(Clock::now() - receiveStart, 80ms);
}

TEST(TcpListener, SecondListenerOnTheSamePortIsRefused) {
    TcpListener first;
    ASSERT_TRUE(first.Listen(kLoopback, 0));
    TcpListener second;
    EXPECT_FALSE(second.Listen(kLoopback, first.Port()));
}

TEST(SocketWaker, WakingNeverBlocksHoweverOftenNobodyDrains) {
    SocketWaker waker;
    ASSERT_TRUE(waker.Open());
    // Far more wake-ups than a socket buffer holds: a blocking waker would hang here.
    std::thread wakers[4];
    for (auto& thread : wakers)
        thread = std::thread([&] {
            for (int i = 0; i < 20000; ++i) waker.Wake();
        });
    for (auto& thread : wakers) thread.join();
    EXPECT_TRUE(WaitForSocket(waker.Handle(), false, 0ms));
    waker.Drain();
    EXPECT_FALSE(WaitForSocket(waker.Handle(), false, 0ms));
}

TEST(TcpSocket, PeekedBytesStayForTheNextReceive) {
    TcpListener listener;
    ASSERT_TRUE(listener.Listen(kLoopback, 0));
    TcpSocket client = TcpSocket::Create();
    ASSERT_TRUE(client.Connect("127.0.0.1", listener.Port()));
    ASSERT_TRUE(WaitForSocket(listener.Handle(), false, 2000ms));
    TcpSocket server = listener.Accept();
    ASSERT_TRUE(client.SendAll("reply", 5));
    ASSERT_TRUE(server.WaitReadable(2000ms));
    for (int i = 0; i < 100 && server.PendingBytes() < 5; ++i) std::this_thread::sleep_for(5ms);
    EXPECT_EQ(server.PendingBytes(), 5u);
    char bytes[8] = {};
    EXPECT_EQ(server.PeekSome(bytes, 3), 3);
    EXPECT_EQ(std::string(bytes, 3), "rep");
    EXPECT_EQ(server.ReceiveSome(bytes, sizeof bytes), 5);
    EXPECT_EQ(std::string(bytes, 5), "reply");
    EXPECT_EQ(server.PendingBytes(), 0u);
}
