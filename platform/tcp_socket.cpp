// The parts of the stream socket that read the same on every platform; the
// system calls live in posix/ and windows/.
#include "platform/tcp_socket.h"

#include "platform/socket_wait.h"

namespace tarnwell {

TcpSocket::~TcpSocket() { Close(); }

TcpSocket::TcpSocket(TcpSocket&& other) noexcept
    : fd_(other.fd_), sentCounter_(other.sentCounter_), receiveLimit_(other.receiveLimit_) {
    other.fd_ = kInvalidSocket;
}

TcpSocket& TcpSocket::operator=(TcpSocket&& other) noexcept {
    if (this != &other) {
        Close();
        fd_ = other.fd_;
        sentCounter_ = other.sentCounter_;
        receiveLimit_ = other.receiveLimit_;
        other.fd_ = kInvalidSocket;
    }
    return *this;
}

bool TcpSocket::Connect(const std::string& address, uint16_t port, Milliseconds limit) {
    if (!SetNonBlocking(true)) return false;
    bool completed = false;
    bool ok = StartConnect(address, port, completed);
    if (ok && !completed) ok = WaitWritable(limit) && PendingError() == 0;
    return SetNonBlocking(false) && ok;
}

bool TcpSocket::SendAll(const void* data, size_t length) {
    const char* cursor = static_cast<const char*>(data);
    while (length > 0) {
        ssize_t sent = SendSome(cursor, length);
        if (sent <= 0) return false;
        cursor += sent;
        length -= static_cast<size_t>(sent);
    }
    return true;
}

bool TcpSocket::WaitReadable(Milliseconds limit) { return WaitForSocket(fd_, false, limit); }

void TcpSocket::Close() {
    CloseSocketHandle(fd_);
    fd_ = kInvalidSocket;
}

} // namespace tarnwell
