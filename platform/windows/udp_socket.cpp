#include "platform/udp_socket.h"

#include <winsock2.h>

#include <utility>

namespace tarnwell {

namespace {

sockaddr_in Address(UdpEndpoint endpoint) {
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = endpoint.address;
    address.sin_port = ::htons(endpoint.port);
    return address;
}

SOCKET Native(SocketHandle handle) { return static_cast<SOCKET>(handle); }

int Length(size_t length) { return length > 0x7fffffff ? 0x7fffffff : static_cast<int>(length); }

} // namespace

bool UdpSocket::Open() {
    Close();
    if (!StartSockets()) return false;
    const SOCKET fd = ::socket(AF_INET, SOCK_DGRAM, 0);
    if (fd == INVALID_SOCKET) return false;
    handle_ = static_cast<SocketHandle>(fd);
    // Without this a datagram answered by "port unreachable" makes the next
    // receive fail with a reset, which UDP on POSIX never does.
    BOOL reportReset = FALSE;
    DWORD returned = 0;
    constexpr DWORD kUdpConnectionReset = 0x9800000C; // SIO_UDP_CONNRESET
    ::WSAIoctl(fd, kUdpConnectionReset, &reportReset, sizeof reportReset, nullptr, 0, &returned, nullptr, nullptr);
    return true;
}

bool UdpSocket::Bind(UdpEndpoint local, bool shared) {
    BOOL on = TRUE;
    if (shared) ::setsockopt(Native(handle_), SOL_SOCKET, SO_REUSEADDR, reinterpret_cast<const char*>(&on), sizeof on);
    const sockaddr_in address = Address(local);
    return ::bind(Native(handle_), reinterpret_cast<const sockaddr*>(&address), sizeof address) == 0;
}

bool UdpSocket::EnableBroadcast() {
    BOOL on = TRUE;
    return ::setsockopt(Native(handle_), SOL_SOCKET, SO_BROADCAST, reinterpret_cast<const char*>(&on), sizeof on) == 0;
}

void UdpSocket::RequestReceiveBuffer(int bytes) {
    ::setsockopt(Native(handle_), SOL_SOCKET, SO_RCVBUF, reinterpret_cast<const char*>(&bytes), sizeof bytes);
}

bool UdpSocket::Connect(UdpEndpoint peer) {
    const sockaddr_in address = Address(peer);
    return ::connect(Native(handle_), reinterpret_cast<const sockaddr*>(&address), sizeof address) == 0;
}

UdpEndpoint UdpSocket::LocalEndpoint() const {
    sockaddr_in bound{};
    int size = sizeof bound;
    if (::getsockname(Native(handle_), reinterpret_cast<sockaddr*>(&bound), &size) != 0) return {};
    return {bound.sin_addr.s_addr, ::ntohs(bound.sin_port)};
}

long UdpSocket::SendTo(const void* data, size_t length, UdpEndpoint peer) {
    const sockaddr_in address = Address(peer);
    const int sent = ::sendto(Native(handle_), static_cast<const char*>(data), Length(length), 0,
                              reinterpret_cast<const sockaddr*>(&address), sizeof address);
    return sent == SOCKET_ERROR ? -1 : sent;
}

long UdpSocket::Send(const void* data, size_t length) {
    const int sent = ::send(Native(handle_), static_cast<const char*>(data), Length(length), 0);
    return sent == SOCKET_ERROR ? -1 : sent;
}

long UdpSocket::Receive(void* buffer, size_t length, UdpEndpoint* from) {
    sockaddr_in source{};
    int size = sizeof source;
    int got = ::recvfrom(Native(handle_), static_cast<char*>(buffer), Length(length), 0,
                         reinterpret_cast<sockaddr*>(&source), &size);
    // A datagram longer than the buffer arrives cut, as on POSIX, not as an error.
    if (got == SOCKET_ERROR && ::WSAGetLastError() == WSAEMSGSIZE) got = Length(length);
    if (got == SOCKET_ERROR) return -1;
    if (from != nullptr) {
        *from = source.sin_family == AF_INET ? UdpEndpoint{source.sin_addr.s_addr, ::ntohs(source.sin_port)} : UdpEndpoint{};
    }
    return got;
}

bool UdpSocket::SetNonBlocking(bool on) {
    u_long mode = on ? 1 : 0;
    return ::ioctlsocket(Native(handle_), FIONBIO, &mode) == 0;
}

} // namespace tarnwell
