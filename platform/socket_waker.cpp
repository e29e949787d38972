#include "platform/socket_waker.h"

#include "platform/ipv4_text.h"

namespace tarnwell {

bool SocketWaker::Open() {
    constexpr uint32_t kLoopbackHost = 0x7f000001;
    UdpSocket socket;
    if (!socket.Open() || !socket.Bind({NetworkOrder(kLoopbackHost), 0})) return false;
    const UdpEndpoint self = socket.LocalEndpoint();
    // Connected to itself: no datagram from anyone else can wake it.
    if (self.port == 0 || !socket.Connect(self) || !socket.SetNonBlocking(true)) return false;
    socket_ = std::move(socket);
    return true;
}

void SocketWaker::Wake() {
    const char wake = 1;
    socket_.Send(&wake, 1);
}

void SocketWaker::Drain() {
    char drained[16];
    while (socket_.Receive(drained, sizeof drained) >= 0) {
    }
}

} // namespace tarnwell
