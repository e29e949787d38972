// Ownership of a datagram socket, the same on every platform.
#include "platform/udp_socket.h"

#include <utility>

namespace tarnwell {

UdpSocket::~UdpSocket() { Close(); }

UdpSocket::UdpSocket(UdpSocket&& other) noexcept : handle_(std::exchange(other.handle_, kInvalidSocket)) {}

UdpSocket& UdpSocket::operator=(UdpSocket&& other) noexcept {
    if (this != &other) {
        Close();
        handle_ = std::exchange(other.handle_, kInvalidSocket);
    }
    return *this;
}

void UdpSocket::Close() {
    CloseSocketHandle(handle_);
    handle_ = kInvalidSocket;
}

} // namespace tarnwell
