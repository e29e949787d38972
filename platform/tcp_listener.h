#pragma once
// One listening IPv4 TCP socket, non-blocking, with a full backlog.
#include "platform/socket_handle.h"
#include "platform/tcp_socket.h"

#include <cstdint>

namespace tarnwell {

class TcpListener {
public:
    TcpListener() = default;
    ~TcpListener();
    TcpListener(TcpListener&& other) noexcept;
    TcpListener& operator=(TcpListener&& other) noexcept;
    TcpListener(const TcpListener&) = delete;
    TcpListener& operator=(const TcpListener&) = delete;

    // Binds `address` (network order) and `port` (0: the system chooses) and
    // listens. `receiveBuffer` > 0 gives accepted connections a receive
    // window that small from their first byte.
    bool Listen(uint32_t address, uint16_t port, int receiveBuffer = 0);
    bool IsOpen() const { return handle_ != kInvalidSocket; }
    SocketHandle Handle() const { return handle_; }
    uint16_t Port() const { return port_; }
    // A waiting connection as a blocking socket, or an invalid socket when none waits.
    TcpSocket Accept();
    // Refuses new connections while the handle stays valid for a thread that
    // may be waiting on it. POSIX does so with shutdown; Windows cannot refuse
    // without closing, so there connections keep queueing until Close.
    void StopAccepting();
    void Close();

private:
    SocketHandle handle_ = kInvalidSocket;
    uint16_t port_ = 0;
};

} // namespace tarnwell
