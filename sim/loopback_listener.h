#pragma once
// The simulator's listening sockets: one TCP port on a 127.0.0.0/8 address,
// with a full backlog.
#include "platform/tcp_listener.h"
#include "platform/tcp_socket.h"

#include <cstdint>
#include <string>

namespace tarnwell::sim {

class LoopbackListener {
public:
    // False for an address outside loopback or a port that cannot be bound.
    // Port 0 lets the system choose; Port() tells which.
    bool Listen(const std::string& address, uint16_t port);
    bool IsOpen() const { return listener_.IsOpen(); }
    SocketHandle Descriptor() const { return listener_.Handle(); }
    uint16_t Port() const { return listener_.Port(); }
    // A waiting connection, or an invalid socket when none waits.
    TcpSocket Accept() { return listener_.Accept(); }
    // Connects are refused from now on (on POSIX; Windows refuses only once
    // the listener is closed); the handle stays valid for a thread that may
    // still be waiting on it, until Close.
    void Shutdown() { listener_.StopAccepting(); }
    void Close() { listener_.Close(); }

private:
    TcpListener listener_;
};

} // namespace tarnwell::sim
