#pragma once
// Holds a stream of bytes to a link rate: each call waits until the bytes
// passed so far would have crossed a link of that rate. Idle time earns no
// credit, so a burst after a pause is paced too.
#include <chrono>
#include <cstddef>
#include <cstdint>
#include <thread>

namespace tarnwell::sim {

class LinkPacer {
public:
    explicit LinkPacer(uint64_t bitsPerSecond) : rate_(bitsPerSecond) {}

    void Pass(size_t bytes) {
        if (rate_ == 0 || bytes == 0) return;
        auto now = std::chrono::steady_clock::now();
        if (due_ < now) due_ = now;
        due_ += std::chrono::nanoseconds(static_cast<int64_t>(static_cast<double>(bytes) * 8e9 / static_cast<double>(rate_)));
        std::this_thread::sleep_until(due_);
    }
    bool Paced() const { return rate_ != 0; }

private:
    uint64_t rate_;
    std::chrono::steady_clock::time_point due_{};
};

} // namespace tarnwell::sim
