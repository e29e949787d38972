#include "sim/loopback_listener.h"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>
#include <utility>

namespace tarnwell::sim {

LoopbackListener::~LoopbackListener() { Close(); }

LoopbackListener::LoopbackListener(LoopbackListener&& other) noexcept
    : fd_(std::exchange(other.fd_, -1)), port_(other.port_) {}

LoopbackListener& LoopbackListener::operator=(LoopbackListener&& other) noexcept {
    if (this != &other) {
        Close();
        fd_ = std::exchange(other.fd_, -1);
        port_ = other.port_;
    }
    return *this;
}

bool LoopbackListener::Listen(const std::string& address, uint16_t port) {
    Close();
    uint32_t host = 0;
    // Loopback only: a simulated device never answers another network.
    if (!ParseIpv4(address, host) || (ntohl(host) >> 24) != 127) return false;
    int fd = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC | SOCK_NONBLOCK, 0);
    if (fd < 0) return false;
    int yes = 1;
    ::setsockopt(fd, SOL_SOCKET, SO_REUSEADDR, &yes, sizeof yes);
    sockaddr_in local{};
    local.sin_family = AF_INET;
    local.sin_port = htons(port);
    local.sin_addr.s_addr = host;
    socklen_t size = sizeof local;
    if (::bind(fd, reinterpret_cast<sockaddr*>(&local), sizeof local) != 0 || ::listen(fd, SOMAXCONN) != 0 ||
        ::getsockname(fd, reinterpret_cast<sockaddr*>(&local), &size) != 0) {
        ::close(fd);
        return false;
    }
    fd_ = fd;
    port_ = ntohs(local.sin_port);
    return true;
}

TcpSocket LoopbackListener::Accept() {
    if (fd_ < 0) return TcpSocket();
    // The accepted socket blocks: sessions wait on it with poll and limits.
    return TcpSocket(::accept4(fd_, nullptr, nullptr, SOCK_CLOEXEC));
}

void LoopbackListener::Shutdown() {
    if (fd_ >= 0) ::shutdown(fd_, SHUT_RDWR);
}

void LoopbackListener::Close() {
    if (fd_ >= 0) ::close(fd_);
    fd_ = -1;
}

} // namespace tarnwell::sim
