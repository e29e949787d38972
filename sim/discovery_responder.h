#pragma once
// Answers discovery probes for a set of simulated devices, on loopback only:
// it listens on 127.255.255.255 and answers each probe from a loopback source
// with one answer per device, each sent from that device's own 127.x address.
#include "platform/socket_waker.h"
#include "platform/udp_socket.h"
#include "sdk/device_search_protocol.h"

#include <atomic>
#include <chrono>
#include <cstdint>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

namespace tarnwell::sim {

// One simulated device as a search finds it; its address is a 127.x.y.z one.
using DiscoverableDevice = devsearch::DeviceFields;

class DiscoveryResponder {
public:
    DiscoveryResponder();
    ~DiscoveryResponder();
    DiscoveryResponder(const DiscoveryResponder&) = delete;
    DiscoveryResponder& operator=(const DiscoveryResponder&) = delete;

    // Starts answering on `port` (0: a free port, see Port()). False, with
    // nothing started, when already running, when a device address is not in
    // 127.0.0.0/8 or when a socket cannot be bound.
    bool Start(const std::vector<DiscoverableDevice>& devices, uint16_t port = devsearch::kDiscoveryPort);
    // Replaces the devices while running; same address rule as Start.
    bool SetDevices(const std::vector<DiscoverableDevice>& devices);
    // Stops answering and releases the sockets; returns when the thread is gone.
    void Stop();

    bool IsRunning() const { return worker_.joinable(); }
    uint16_t Port() const { return port_; }
    size_t ProbesAnswered() const { return probesAnswered_.load(); }
    // When the last answer to the latest probe was sent (epoch when none was).
    std::chrono::steady_clock::time_point LastAnswerSent() const {
        return std::chrono::steady_clock::time_point(std::chrono::steady_clock::duration(lastAnswerSent_.load()));
    }

private:
    struct Device;
    static bool OpenDevices(const std::vector<DiscoverableDevice>& devices, std::vector<std::unique_ptr<Device>>& opened);
    void Serve();
    void Answer(const uint8_t* probe, size_t length, UdpEndpoint source);

    UdpSocket listener_;
    SocketWaker waker_;
    uint16_t port_ = 0;
    std::mutex devicesLock_;
    std::vector<std::unique_ptr<Device>> devices_;
    std::atomic<size_t> probesAnswered_{0};
    std::atomic<std::chrono::steady_clock::rep> lastAnswerSent_{0};
    std::thread worker_;
};

} // namespace tarnwell::sim
