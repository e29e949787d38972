#include "platform/tcp_socket.h"

#include "platform/socket_wait.h"

#include <arpa/inet.h>
#include <cerrno>
#include <fcntl.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/ioctl.h>
#include <sys/socket.h>
#include <unistd.h>

namespace tarnwell {

namespace {

bool SetTimeoutOption(SocketHandle fd, int option, Milliseconds limit) {
    timeval value{};
    value.tv_sec = static_cast<time_t>(limit.count() / 1000);
    value.tv_usec = static_cast<suseconds_t>((limit.count() % 1000) * 1000);
    return ::setsockopt(fd, SOL_SOCKET, option, &value, sizeof value) == 0;
}

} // namespace

TcpSocket TcpSocket::Create() {
    if (!StartSockets()) return TcpSocket();
    const int fd = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    return TcpSocket(fd < 0 ? kInvalidSocket : fd);
}

bool TcpSocket::StartConnect(const std::string& address, uint16_t port, bool& completed) {
    completed = false;
    uint32_t host = 0;
    if (!IsValid() || !ParseIpv4(address, host) || host == htonl(INADDR_ANY)) {
        errno = EADDRNOTAVAIL;
        return false;
    }
    sockaddr_in peer{};
    peer.sin_family = AF_INET;
    peer.sin_port = htons(port);
    peer.sin_addr.s_addr = host;
    int rc;
    do {
        rc = ::connect(fd_, reinterpret_cast<const sockaddr*>(&peer), sizeof peer);
    } while (rc < 0 && errno == EINTR);
    if (rc == 0) {
        completed = true;
        return true;
    }
    return errno == EINPROGRESS;
}

ssize_t TcpSocket::SendSome(const void* data, size_t length) {
    ssize_t sent;
    do {
        sent = ::send(fd_, data, length, MSG_NOSIGNAL);
    } while (sent < 0 && errno == EINTR);
    if (sent > 0 && sentCounter_ != nullptr) *sentCounter_ += static_cast<uint64_t>(sent);
    return sent;
}

namespace {

ssize_t Receive(SocketHandle fd, void* buffer, size_t length, int flags) {
    ssize_t got;
    do {
        got = ::recv(fd, buffer, length, flags);
    } while (got < 0 && errno == EINTR);
    return got;
}

} // namespace

ssize_t TcpSocket::ReceiveSome(void* buffer, size_t length) { return Receive(fd_, buffer, length, 0); }

ssize_t TcpSocket::PeekSome(void* buffer, size_t length) { return Receive(fd_, buffer, length, MSG_PEEK); }

size_t TcpSocket::PendingBytes() {
    int pending = 0;
    if (::ioctl(fd_, FIONREAD, &pending) != 0 || pending < 0) return 0;
    return static_cast<size_t>(pending);
}

bool TcpSocket::SetReceiveLimit(Milliseconds limit) {
    if (!SetTimeoutOption(fd_, SO_RCVTIMEO, limit)) return false;
    receiveLimit_ = limit;
    return true;
}

bool TcpSocket::SetSendLimit(Milliseconds limit) { return SetTimeoutOption(fd_, SO_SNDTIMEO, limit); }

bool TcpSocket::SetNonBlocking(bool on) {
    int flags = ::fcntl(fd_, F_GETFL, 0);
    if (flags < 0) return false;
    flags = on ? (flags | O_NONBLOCK) : (flags & ~O_NONBLOCK);
    return ::fcntl(fd_, F_SETFL, flags) == 0;
}

bool TcpSocket::WaitWritable(Milliseconds limit) { return WaitForSocket(fd_, true, limit); }

int TcpSocket::PendingError() {
    int error = 0;
    socklen_t size = sizeof error;
    if (::getsockopt(fd_, SOL_SOCKET, SO_ERROR, &error, &size) != 0) return -1;
    return error;
}

bool TcpSocket::ShutdownSend() { return ::shutdown(fd_, SHUT_WR) == 0; }

std::optional<size_t> TcpSocket::UnacknowledgedBytes() {
    int queued = 0;
    if (::ioctl(fd_, TIOCOUTQ, &queued) != 0 || queued < 0) return std::nullopt;
    return static_cast<size_t>(queued);
}

void TcpSocket::Abort() {
    if (fd_ == kInvalidSocket) return;
    linger hard{1, 0};
    ::setsockopt(fd_, SOL_SOCKET, SO_LINGER, &hard, sizeof hard);
    Close();
}

} // namespace tarnwell
