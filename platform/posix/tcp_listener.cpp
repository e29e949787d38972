#include "platform/tcp_listener.h"

#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>
#include <utility>

namespace tarnwell {

bool TcpListener::Listen(uint32_t address, uint16_t port, int receiveBuffer) {
    Close();
    const int fd = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC | SOCK_NONBLOCK, 0);
    if (fd < 0) return false;
    int yes = 1;
    ::setsockopt(fd, SOL_SOCKET, SO_REUSEADDR, &yes, sizeof yes);
    if (receiveBuffer > 0) ::setsockopt(fd, SOL_SOCKET, SO_RCVBUF, &receiveBuffer, sizeof receiveBuffer);
    sockaddr_in local{};
    local.sin_family = AF_INET;
    local.sin_port = htons(port);
    local.sin_addr.s_addr = address;
    socklen_t size = sizeof local;
    if (::bind(fd, reinterpret_cast<sockaddr*>(&local), sizeof local) != 0 || ::listen(fd, SOMAXCONN) != 0 ||
        ::getsockname(fd, reinterpret_cast<sockaddr*>(&local), &size) != 0) {
        ::close(fd);
        return false;
    }
    handle_ = fd;
    port_ = ntohs(local.sin_port);
    return true;
}

TcpSocket TcpListener::Accept() {
    if (handle_ == kInvalidSocket) return TcpSocket();
    const int fd = ::accept4(static_cast<int>(handle_), nullptr, nullptr, SOCK_CLOEXEC);
    return TcpSocket(fd < 0 ? kInvalidSocket : fd);
}

void TcpListener::StopAccepting() {
    if (handle_ != kInvalidSocket) ::shutdown(static_cast<int>(handle_), SHUT_RDWR);
}

void TcpListener::Close() {
    CloseSocketHandle(handle_);
    handle_ = kInvalidSocket;
}

} // namespace tarnwell
