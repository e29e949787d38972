#pragma once
// --step-timeout: the stop flag a unit's session sees. It follows the job's
// stop and is also raised once the running step has had its time, so an
// upgrade starts no further member; the waits inside the step are bounded by
// limits no longer than the step's time (see StepLimits).
#include "protocol/channel_limits.h"

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <mutex>
#include <thread>

namespace tarnwell::line {

class StepWatch {
public:
    // `limit` 0: steps have no time of their own and the flag is the job's.
    StepWatch(const std::atomic<bool>& jobStop, Milliseconds limit);
    ~StepWatch();
    StepWatch(const StepWatch&) = delete;
    StepWatch& operator=(const StepWatch&) = delete;

    const std::atomic<bool>& Flag() const { return limit_.count() > 0 ? flag_ : jobStop_; }
    void Begin();
    // True when the step's time ran out before it ended.
    bool End();

private:
    void Watch();

    const std::atomic<bool>& jobStop_;
    const Milliseconds limit_;
    std::atomic<bool> flag_{false};
    std::mutex mutex_;
    std::condition_variable changed_;
    bool running_ = false, expired_ = false, quit_ = false;
    std::chrono::steady_clock::time_point deadline_{};
    std::thread thread_;
};

// The unit's limits with no wait longer than `step` (0: as they are).
ChannelLimits StepLimits(ChannelLimits limits, Milliseconds step);
HttpLimits StepLimits(HttpLimits limits, Milliseconds step);

} // namespace tarnwell::line
