#pragma once
// A simulated device on a loopback address of its own, so test programs that
// run side by side never share a command port.
#include "sim/simulated_device.h"

#include <memory>
#include <string>

namespace tarnwell::test {

// A fresh 127.x.y.z address, distinct per process and per call.
std::string NextLoopbackAddress();

// Starts a device on a fresh address; the test fails when it cannot bind.
std::unique_ptr<sim::SimulatedDevice> StartDevice(sim::DeviceProfile profile = {});

// A loopback address where nothing listens on the command port.
std::string UnusedLoopbackAddress();

} // namespace tarnwell::test
