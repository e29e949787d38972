#include "platform/tcp_listener.h"

#include <winsock2.h>

#include <utility>

namespace tarnwell {

bool TcpListener::Listen(uint32_t address, uint16_t port, int receiveBuffer) {
    Close();
    if (!StartSockets()) return false;
    const SOCKET fd = ::socket(AF_INET, SOCK_STREAM, 0);
    if (fd == INVALID_SOCKET) return false;
    // SO_REUSEADDR would let another program take the port over on Windows;
    // exclusive use keeps a second simulator from binding the same address.
    BOOL yes = TRUE;
    ::setsockopt(fd, SOL_SOCKET, SO_EXCLUSIVEADDRUSE, reinterpret_cast<const char*>(&yes), sizeof yes);
    if (receiveBuffer > 0)
        ::setsockopt(fd, SOL_SOCKET, SO_RCVBUF, reinterpret_cast<const char*>(&receiveBuffer), sizeof receiveBuffer);
    u_long nonBlocking = 1;
    sockaddr_in local{};
    local.sin_family = AF_INET;
    local.sin_port = ::htons(port);
    local.sin_addr.s_addr = address;
    int size = sizeof local;
    if (::ioctlsocket(fd, FIONBIO, &nonBlocking) != 0 || ::bind(fd, reinterpret_cast<sockaddr*>(&local), sizeof local) != 0 ||
        ::listen(fd, SOMAXCONN) != 0 || ::getsockname(fd, reinterpret_cast<sockaddr*>(&local), &size) != 0) {
        ::closesocket(fd);
        return false;
    }
    handle_ = static_cast<SocketHandle>(fd);
    port_ = ::ntohs(local.sin_port);
    return true;
}

TcpSocket TcpListener::Accept() {
    if (handle_ == kInvalidSocket) return TcpSocket();
    const SOCKET fd = ::accept(static_cast<SOCKET>(handle_), nullptr, nullptr);
    if (fd == INVALID_SOCKET) return TcpSocket();
    // An accepted socket inherits the listener's non-blocking mode on Windows;
    // sessions expect a blocking one, as accept4 gives on POSIX.
    u_long blocking = 0;
    ::ioctlsocket(fd, FIONBIO, &blocking);
    return TcpSocket(static_cast<SocketHandle>(fd));
}

void TcpListener::StopAccepting() {
    // Nothing short of closing the socket refuses connects under Winsock.
}

void TcpListener::Close() {
    CloseSocketHandle(handle_);
    handle_ = kInvalidSocket;
}

} // namespace tarnwell
