// Ownership of a listening socket, the same on every platform.
#include "platform/tcp_listener.h"

#include <utility>

namespace tarnwell {

TcpListener::~TcpListener() { Close(); }

TcpListener::TcpListener(TcpListener&& other) noexcept
    : handle_(std::exchange(other.handle_, kInvalidSocket)), port_(other.port_) {}

TcpListener& TcpListener::operator=(TcpListener&& other) noexcept {
    if (this != &other) {
        Close();
        handle_ = std::exchange(other.handle_, kInvalidSocket);
        port_ = other.port_;
    }
    return *this;
}

} // namespace tarnwell
