#include "support/loopback_device.h"

#include <atomic>
#include <gtest/gtest.h>
#include <unistd.h>

namespace tarnwell::test {

std::string NextLoopbackAddress() {
    static std::atomic<int> counter{0};
    int n = counter++;
    int pid = static_cast<int>(::getpid());
    // 127.0.0.x stays free for people running the simulator by hand.
    return "127." + std::to_string(1 + pid % 250) + "." + std::to_string(1 + (pid / 250) % 250) + "." +
           std::to_string(2 + n % 250);
}

std::unique_ptr<sim::SimulatedDevice> StartDevice(sim::DeviceProfile profile) {
    profile.address = NextLoopbackAddress();
    auto device = std::make_unique<sim::SimulatedDevice>(profile);
    EXPECT_TRUE(device->Start()) << "cannot bind " << profile.address;
    return device;
}

std::string UnusedLoopbackAddress() { return NextLoopbackAddress(); }

} // namespace tarnwell::test
