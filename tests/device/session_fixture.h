#pragma once
// Device operations run straight on a session against a simulated device or
// a scripted peer, their messages collected as a front end would hear them.
#include "device/unit_session.h"
#include "support/loopback_device.h"

#include <gtest/gtest.h>

#include <mutex>
#include <string>
#include <vector>

namespace tarnwell::test {

class HeardMessages : public OperationObserver {
public:
    void Message(const BilingualText& text) override {
        std::lock_guard lock(mutex_);
        english_.push_back(text.english);
    }
    void Clear() {
        std::lock_guard lock(mutex_);
        english_.clear();
    }
    std::vector<std::string> English() const {
        std::lock_guard lock(mutex_);
        return english_;
    }

private:
    mutable std::mutex mutex_;
    std::vector<std::string> english_;
};

class SessionFixture : public ::testing::Test {
protected:
    SessionFixture() {
        session.limits.connect = std::chrono::milliseconds(2000);
        session.limits.reply = std::chrono::milliseconds(3000);
        session.limits.worker = std::chrono::milliseconds(5000);
        session.limits.closeWait = std::chrono::milliseconds(700);
        session.pauses = {std::chrono::milliseconds(0), std::chrono::milliseconds(0)};
        session.observer = &heard;
        session.stop = &stop;
    }
    sim::SimulatedDevice& UseDevice(sim::DeviceProfile profile = {}) {
        device = StartDevice(std::move(profile));
        session.address = device->Address();
        return *device;
    }

    HeardMessages heard;
    std::atomic<bool> stop{false};
    UnitSession session;
    std::unique_ptr<sim::SimulatedDevice> device;
};

} // namespace tarnwell::test
