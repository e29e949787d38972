#pragma once
// Wakes a thread that waits on sockets, from another thread. It is a socket
// itself (a UDP socket on loopback that sends to itself), so it waits in the
// same WaitForSockets call as the sockets it interrupts, on every platform.
#include "platform/socket_handle.h"
#include "platform/udp_socket.h"

namespace tarnwell {

class SocketWaker {
public:
    // False when no loopback socket can be had.
    bool Open();
    bool IsOpen() const { return socket_.IsOpen(); }
    // Wait for this handle's readability next to the others.
    SocketHandle Handle() const { return socket_.Handle(); }
    // Makes Handle() readable until Drain; safe from any thread.
    void Wake();
    // Takes every pending wake-up, so the next wait blocks again.
    void Drain();
    void Close() { socket_.Close(); }

private:
    UdpSocket socket_;
};

} // namespace tarnwell
