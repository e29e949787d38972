#include "platform/udp_socket.h"

#include <cerrno>
#include <fcntl.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>
#include <utility>

namespace tarnwell {

namespace {

sockaddr_in Address(UdpEndpoint endpoint) {
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = endpoint.address;
    address.sin_port = htons(endpoint.port);
    return address;
}

int Fd(SocketHandle handle) { return static_cast<int>(handle); }

} // namespace

bool UdpSocket::Open() {
    Close();
    const int fd = ::socket(AF_INET, SOCK_DGRAM | SOCK_CLOEXEC, 0);
    if (fd < 0) return false;
    handle_ = fd;
    return true;
}

bool UdpSocket::Bind(UdpEndpoint local, bool shared) {
    int on = 1;
    if (shared) ::setsockopt(Fd(handle_), SOL_SOCKET, SO_REUSEADDR, &on, sizeof on);
    const sockaddr_in address = Address(local);
    return ::bind(Fd(handle_), reinterpret_cast<const sockaddr*>(&address), sizeof address) == 0;
}

bool UdpSocket::EnableBroadcast() {
    int on = 1;
    return ::setsockopt(Fd(handle_), SOL_SOCKET, SO_BROADCAST, &on, sizeof on) == 0;
}

void UdpSocket::RequestReceiveBuffer(int bytes) {
    ::setsockopt(Fd(handle_), SOL_SOCKET, SO_RCVBUF, &bytes, sizeof bytes);
}

bool UdpSocket::Connect(UdpEndpoint peer) {
    const sockaddr_in address = Address(peer);
    return ::connect(Fd(handle_), reinterpret_cast<const sockaddr*>(&address), sizeof address) == 0;
}

UdpEndpoint UdpSocket::LocalEndpoint() const {
    sockaddr_in bound{};
    socklen_t size = sizeof bound;
    if (::getsockname(Fd(handle_), reinterpret_cast<sockaddr*>(&bound), &size) != 0) return {};
    return {bound.sin_addr.s_addr, ntohs(bound.sin_port)};
}

long UdpSocket::SendTo(const void* data, size_t length, UdpEndpoint peer) {
    const sockaddr_in address = Address(peer);
    return ::sendto(Fd(handle_), data, length, 0, reinterpret_cast<const sockaddr*>(&address), sizeof address);
}

long UdpSocket::Send(const void* data, size_t length) { return ::send(Fd(handle_), data, length, 0); }

long UdpSocket::Receive(void* buffer, size_t length, UdpEndpoint* from) {
    sockaddr_in source{};
    socklen_t size = sizeof source;
    ssize_t got;
    do {
        got = ::recvfrom(Fd(handle_), buffer, length, 0, reinterpret_cast<sockaddr*>(&source), &size);
    } while (got < 0 && errno == EINTR);
    if (got >= 0 && from != nullptr) {
        // Only IPv4 senders count; anything else reads as address 0.
        *from = source.sin_family == AF_INET ? UdpEndpoint{source.sin_addr.s_addr, ntohs(source.sin_port)} : UdpEndpoint{};
    }
    return got;
}

bool UdpSocket::SetNonBlocking(bool on) {
    int flags = ::fcntl(Fd(handle_), F_GETFL, 0);
    if (flags < 0) return false;
    flags = on ? (flags | O_NONBLOCK) : (flags & ~O_NONBLOCK);
    return ::fcntl(Fd(handle_), F_SETFL, flags) == 0;
}

} // namespace tarnwell
