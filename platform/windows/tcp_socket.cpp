// Stream sockets over Windows Sockets 2.2.
#include "platform/tcp_socket.h"

#include "platform/socket_wait.h"

#include <winsock2.h>

namespace tarnwell {

namespace {

SOCKET Native(SocketHandle handle) { return static_cast<SOCKET>(handle); }

// Winsock takes its time-outs as a DWORD of milliseconds.
bool SetTimeoutOption(SocketHandle fd, int option, Milliseconds limit) {
    const DWORD value = static_cast<DWORD>(limit.count());
    return ::setsockopt(Native(fd), SOL_SOCKET, option, reinterpret_cast<const char*>(&value), sizeof value) == 0;
}

// Windows sockets never raise a signal; a length beyond int is sent in pieces.
int ClampedLength(size_t length) { return length > 0x7fffffff ? 0x7fffffff : static_cast<int>(length); }

} // namespace

TcpSocket TcpSocket::Create() {
    if (!StartSockets()) return TcpSocket();
    const SOCKET fd = ::socket(AF_INET, SOCK_STREAM, 0);
    return TcpSocket(fd == INVALID_SOCKET ? kInvalidSocket : static_cast<SocketHandle>(fd));
}

bool TcpSocket::StartConnect(const std::string& address, uint16_t port, bool& completed) {
    completed = false;
    uint32_t host = 0;
    if (!IsValid() || !ParseIpv4(address, host) || host == 0) {
        ::WSASetLastError(WSAEADDRNOTAVAIL);
        return false;
    }
    sockaddr_in peer{};
    peer.sin_family = AF_INET;
    peer.sin_port = ::htons(port);
    peer.sin_addr.s_addr = host;
    if (::connect(Native(fd_), reinterpret_cast<const sockaddr*>(&peer), sizeof peer) == 0) {
        completed = true;
        return true;
    }
    // A non-blocking connect under way reports WSAEWOULDBLOCK, not EINPROGRESS.
    return ::WSAGetLastError() == WSAEWOULDBLOCK;
}

ssize_t TcpSocket::SendSome(const void* data, size_t length) {
    const int sent = ::send(Native(fd_), static_cast<const char*>(data), ClampedLength(length), 0);
    if (sent > 0 && sentCounter_ != nullptr) *sentCounter_ += static_cast<uint64_t>(sent);
    return sent == SOCKET_ERROR ? -1 : sent;
}

ssize_t TcpSocket::ReceiveSome(void* buffer, size_t length) {
    const int got = ::recv(Native(fd_), static_cast<char*>(buffer), ClampedLength(length), 0);
    return got == SOCKET_ERROR ? -1 : got;
}

ssize_t TcpSocket::PeekSome(void* buffer, size_t length) {
    const int got = ::recv(Native(fd_), static_cast<char*>(buffer), ClampedLength(length), MSG_PEEK);
    return got == SOCKET_ERROR ? -1 : got;
}

size_t TcpSocket::PendingBytes() {
    u_long pending = 0;
    if (::ioctlsocket(Native(fd_), FIONREAD, &pending) != 0) return 0;
    return static_cast<size_t>(pending);
}

bool TcpSocket::SetReceiveLimit(Milliseconds limit) {
    if (!SetTimeoutOption(fd_, SO_RCVTIMEO, limit)) return false;
    receiveLimit_ = limit;
    return true;
}

bool TcpSocket::SetSendLimit(Milliseconds limit) { return SetTimeoutOption(fd_, SO_SNDTIMEO, limit); }

bool TcpSocket::SetNonBlocking(bool on) {
    u_long mode = on ? 1 : 0;
    return ::ioctlsocket(Native(fd_), FIONBIO, &mode) == 0;
}

bool TcpSocket::WaitWritable(Milliseconds limit) {
    // A refused non-blocking connect shows as an exception, which
    // WaitForSocket counts as ready; PendingError then tells what happened.
    return WaitForSocket(fd_, true, limit);
}

int TcpSocket::PendingError() {
    int error = 0;
    int size = sizeof error;
    if (::getsockopt(Native(fd_), SOL_SOCKET, SO_ERROR, reinterpret_cast<char*>(&error), &size) != 0) return -1;
    return error;
}

bool TcpSocket::ShutdownSend() { return ::shutdown(fd_, SD_SEND) == 0; }

// Winsock keeps the send queue to itself.
std::optional<size_t> TcpSocket::UnacknowledgedBytes() { return std::nullopt; }

void TcpSocket::Abort() {
    if (fd_ == kInvalidSocket) return;
    linger hard{};
    hard.l_onoff = 1;
    hard.l_linger = 0;
    ::setsockopt(Native(fd_), SOL_SOCKET, SO_LINGER, reinterpret_cast<const char*>(&hard), sizeof hard);
    Close();
}

} // namespace tarnwell
