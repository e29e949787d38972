#include "sim/discovery_responder.h"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/eventfd.h>
#include <sys/socket.h>
#include <unistd.h>

namespace tarnwell::sim {
namespace {

constexpr uint32_t kLoopbackBroadcast = 0x7fffffff; // 127.255.255.255, host order

bool IsLoopback(uint32_t networkOrder) { return (ntohl(networkOrder) >> 24) == 127; }

sockaddr_in Endpoint(uint32_t networkOrder, uint16_t port) {
    sockaddr_in endpoint{};
    endpoint.sin_family = AF_INET;
    endpoint.sin_addr.s_addr = networkOrder;
    endpoint.sin_port = htons(port);
    return endpoint;
}

int BoundUdpSocket(uint32_t networkOrder, uint16_t port, bool shared) {
    int fd = ::socket(AF_INET, SOCK_DGRAM | SOCK_CLOEXEC, 0);
    int on = 1;
    // Several simulators may share the discovery port; each gets every probe.
    if (fd >= 0 && shared) ::setsockopt(fd, SOL_SOCKET, SO_REUSEADDR, &on, sizeof on);
    sockaddr_in local = Endpoint(networkOrder, port);
    if (fd >= 0 && ::bind(fd, reinterpret_cast<const sockaddr*>(&local), sizeof local) != 0) {
        ::close(fd);
        fd = -1;
    }
    return fd;
}

} // namespace

struct DiscoveryResponder::Device {
    int fd = -1;
    devsearch::Record record{};
    ~Device() {
        if (fd >= 0) ::close(fd);
    }
};

DiscoveryResponder::DiscoveryResponder() = default;

DiscoveryResponder::~DiscoveryResponder() { Stop(); }

bool DiscoveryResponder::OpenDevices(const std::vector<DiscoverableDevice>& devices, std::vector<std::unique_ptr<Device>>& opened) {
    for (const auto& device : devices) {
        in_addr address{};
        if (::inet_pton(AF_INET, device.address.c_str(), &address) != 1 || !IsLoopback(address.s_addr)) return false;
        auto entry = std::make_unique<Device>();
        entry->fd = BoundUdpSocket(address.s_addr, 0, false);
        if (entry->fd < 0) return false;
        entry->record = devsearch::EncodeRecord({device.address, device.dataPort, device.webPort, device.mobilePort,
                                                 device.gateway, device.mac, device.deviceType});
        opened.push_back(std::move(entry));
    }
    return true;
}

bool DiscoveryResponder::Start(const std::vector<DiscoverableDevice>& devices, uint16_t port) {
    if (IsRunning()) return false;
    std::vector<std::unique_ptr<Device>> opened;
    if (!OpenDevices(devices, opened)) return false;
    listener_ = BoundUdpSocket(htonl(kLoopbackBroadcast), port, true);
    wake_ = ::eventfd(0, EFD_CLOEXEC);
    if (listener_ < 0 || wake_ < 0) {
        Stop();
        return false;
    }
    sockaddr_in bound{};
    socklen_t size = sizeof bound;
    ::getsockname(listener_, reinterpret_cast<sockaddr*>(&bound), &size);
    port_ = ntohs(bound.sin_port);
    devices_ = std::move(opened);
    worker_ = std::thread([this] { Serve(); });
    return true;
}

bool DiscoveryResponder::SetDevices(const std::vector<DiscoverableDevice>& devices) {
    std::vector<std::unique_ptr<Device>> opened;
    if (!OpenDevices(devices, opened)) return false;
    std::lock_guard<std::mutex> hold(devicesLock_);
    devices_.swap(opened);
    return true;
}

void DiscoveryResponder::Stop() {
    if (worker_.joinable()) {
        uint64_t one = 1;
        [[maybe_unused]] ssize_t written = ::write(wake_, &one, sizeof one);
        worker_.join();
    }
    for (int* fd : {&listener_, &wake_}) {
        if (*fd >= 0) ::close(*fd);
        *fd = -1;
    }
    std::lock_guard<std::mutex> hold(devicesLock_);
    devices_.clear();
}

void DiscoveryResponder::Serve() {
    for (;;) {
        pollfd ready[2] = {{listener_, POLLIN, 0}, {wake_, POLLIN, 0}};
        if (::poll(ready, 2, -1) < 0) continue;
        if (ready[1].revents != 0) return;
        uint8_t probe[512];
        sockaddr_in source{};
        socklen_t size = sizeof source;
        ssize_t length = ::recvfrom(listener_, probe, sizeof probe, 0, reinterpret_cast<sockaddr*>(&source), &size);
        if (length >= 0) Answer(probe, static_cast<size_t>(length), source);
    }
}

void DiscoveryResponder::Answer(const uint8_t* probe, size_t length, const sockaddr_in& source) {
    uint32_t searchId = 0;
    if (source.sin_family != AF_INET || !IsLoopback(source.sin_addr.s_addr) || !devsearch::ParseProbe(probe, length, searchId)) return;
    std::lock_guard<std::mutex> hold(devicesLock_);
    for (const auto& device : devices_) {
        auto answer = devsearch::EncodeAnswer(searchId, device->record);
        ::sendto(device->fd, answer.data(), answer.size(), 0, reinterpret_cast<const sockaddr*>(&source), sizeof source);
    }
    lastAnswerSent_ = std::chrono::steady_clock::now().time_since_epoch().count();
    ++probesAnswered_;
}

} // namespace tarnwell::sim
