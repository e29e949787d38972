#include "sim/discovery_responder.h"

#include "platform/ipv4_text.h"
#include "platform/socket_wait.h"

namespace tarnwell::sim {
namespace {

constexpr uint32_t kLoopbackBroadcast = 0x7fffffff; // 127.255.255.255, host order

bool IsLoopback(uint32_t networkOrder) { return (HostOrder(networkOrder) >> 24) == 127; }

// Several simulators may share the discovery port (`shared`); each gets every probe.
bool BindUdpSocket(UdpSocket& socket, uint32_t networkOrder, uint16_t port, bool shared) {
    return socket.Open() && socket.Bind({networkOrder, port}, shared);
}

} // namespace

struct DiscoveryResponder::Device {
    UdpSocket socket;
    devsearch::Record record{};
};

DiscoveryResponder::DiscoveryResponder() = default;

DiscoveryResponder::~DiscoveryResponder() { Stop(); }

bool DiscoveryResponder::OpenDevices(const std::vector<DiscoverableDevice>& devices, std::vector<std::unique_ptr<Device>>& opened) {
    for (const auto& device : devices) {
        uint32_t address = 0;
        if (!ParseDottedIpv4(device.address, address) || !IsLoopback(address)) return false;
        auto entry = std::make_unique<Device>();
        if (!BindUdpSocket(entry->socket, address, 0, false)) return false;
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
    if (!BindUdpSocket(listener_, NetworkOrder(kLoopbackBroadcast), port, true) || !waker_.Open()) {
        Stop();
        return false;
    }
    port_ = listener_.LocalEndpoint().port;
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
        waker_.Wake();
        worker_.join();
    }
    listener_.Close();
    waker_.Close();
    std::lock_guard<std::mutex> hold(devicesLock_);
    devices_.clear();
}

void DiscoveryResponder::Serve() {
    for (;;) {
        SocketWait ready[2] = {{listener_.Handle()}, {waker_.Handle()}};
        if (WaitForSockets(ready, 2, Milliseconds(-1)) < 0) continue;
        if (ready[1].ready) return;
        uint8_t probe[512];
        UdpEndpoint source;
        const long length = listener_.Receive(probe, sizeof probe, &source);
        if (length >= 0) Answer(probe, static_cast<size_t>(length), source);
    }
}

void DiscoveryResponder::Answer(const uint8_t* probe, size_t length, UdpEndpoint source) {
    uint32_t searchId = 0;
    if (!IsLoopback(source.address) || !devsearch::ParseProbe(probe, length, searchId)) return;
    std::lock_guard<std::mutex> hold(devicesLock_);
    for (const auto& device : devices_) {
        auto answer = devsearch::EncodeAnswer(searchId, device->record);
        device->socket.SendTo(answer.data(), answer.size(), source);
    }
    lastAnswerSent_ = std::chrono::steady_clock::now().time_since_epoch().count();
    ++probesAnswered_;
}

} // namespace tarnwell::sim
