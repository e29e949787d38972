#pragma once
// A console driven through the fake window, talking to a simulated device.
#include "app/operator_console.h"
#include "support/fake_console_ui.h"
#include "support/loopback_device.h"

#include <gtest/gtest.h>

namespace tarnwell::test {

class ConsoleFixture : public ::testing::Test {
protected:
    ConsoleFixture() : console(ui) {
        console.channelLimits.connect = std::chrono::milliseconds(2000);
        console.channelLimits.reply = std::chrono::milliseconds(3000);
    }

    // Starts the device and points the address control and the address text at it.
    sim::SimulatedDevice& UseDevice(sim::DeviceProfile profile = {}) {
        device = StartDevice(std::move(profile));
        ui.SetAddress(device->Address());
        console.deviceAddressText = device->Address();
        return *device;
    }
    void PointAt(const std::string& address) {
        ui.SetAddress(address);
        console.deviceAddressText = address;
    }
    std::vector<uint8_t> Bytes(std::initializer_list<int> values) {
        std::vector<uint8_t> out;
        for (int v : values) out.push_back(static_cast<uint8_t>(v));
        return out;
    }

    FakeConsoleUi ui;
    OperatorConsole console;
    std::unique_ptr<sim::SimulatedDevice> device;
};

} // namespace tarnwell::test
