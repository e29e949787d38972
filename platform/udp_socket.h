#pragma once
// One IPv4 UDP socket with an owner: the device search's probe and answers,
// the simulator's discovery answers and the socket waker. Addresses are
// network order, ports host order.
#include "platform/socket_handle.h"

#include <cstddef>
#include <cstdint>

namespace tarnwell {

struct UdpEndpoint {
    uint32_t address = 0;  // network order
    uint16_t port = 0;
};

class UdpSocket {
public:
    UdpSocket() = default;
    ~UdpSocket();
    UdpSocket(UdpSocket&& other) noexcept;
    UdpSocket& operator=(UdpSocket&& other) noexcept;
    UdpSocket(const UdpSocket&) = delete;
    UdpSocket& operator=(const UdpSocket&) = delete;

    // A new socket; false when none can be had.
    bool Open();
    bool IsOpen() const { return handle_ != kInvalidSocket; }
    SocketHandle Handle() const { return handle_; }

    // `shared`: several sockets may bind the same address and port, and each
    // gets every datagram sent to a broadcast address.
    bool Bind(UdpEndpoint local, bool shared = false);
    bool EnableBroadcast();
    // Asks for a receive buffer of `bytes`; a smaller one is no failure.
    void RequestReceiveBuffer(int bytes);
    // Datagrams go to `peer` by Send and come only from it.
    bool Connect(UdpEndpoint peer);
    // The bound address and port, all zero when unknown.
    UdpEndpoint LocalEndpoint() const;

    // Bytes sent, or -1.
    long SendTo(const void* data, size_t length, UdpEndpoint peer);
    long Send(const void* data, size_t length);
    // One datagram: bytes received (cut to `length`), or -1. `from` may be null.
    long Receive(void* buffer, size_t length, UdpEndpoint* from = nullptr);
    // Receives return at once with -1 when nothing waits.
    bool SetNonBlocking(bool on);

    void Close();

private:
    SocketHandle handle_ = kInvalidSocket;
};

} // namespace tarnwell
