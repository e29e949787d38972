#pragma once
// The simulator's listening sockets: one TCP port on a 127.0.0.0/8 address,
// with a full backlog. Every listening socket call of the simulator is here.
#include "platform/tcp_socket.h"

#include <cstdint>
#include <string>

namespace tarnwell::sim {

class LoopbackListener {
public:
    LoopbackListener() = default;
    ~LoopbackListener();
    LoopbackListener(LoopbackListener&& other) noexcept;
    LoopbackListener& operator=(LoopbackListener&& other) noexcept;
    LoopbackListener(const LoopbackListener&) = delete;
    LoopbackListener& operator=(const LoopbackListener&) = delete;

    // False for an address outside loopback or a port that cannot be bound.
    // Port 0 lets the system choose; Port() tells which.
    bool Listen(const std::string& address, uint16_t port);
    bool IsOpen() const { return fd_ >= 0; }
    int Descriptor() const { return fd_; }
    uint16_t Port() const { return port_; }
    // A waiting connection, or an invalid socket when none waits.
    TcpSocket Accept();
    // Connects are refused from now on; the descriptor stays valid for a
    // thread that may still be polling it, until Close.
    void Shutdown();
    void Close();

private:
    int fd_ = -1;
    uint16_t port_ = 0;
};

} // namespace tarnwell::sim
