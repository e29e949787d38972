#include "line/step_watch.h"

#include <algorithm>

namespace tarnwell::line {

StepWatch::StepWatch(const std::atomic<bool>& jobStop, Milliseconds limit) : jobStop_(jobStop), limit_(limit) {
    if (limit_.count() > 0) thread_ = std::thread([this] { Watch(); });
}

StepWatch::~StepWatch() {
    if (!thread_.joinable()) return;
    {
        std::lock_guard lock(mutex_);
        quit_ = true;
    }
    changed_.notify_all();
    thread_.join();
}

void StepWatch::Begin() {
    std::lock_guard lock(mutex_);
    running_ = true;
    expired_ = false;
    deadline_ = std::chrono::steady_clock::now() + limit_;
    flag_.store(jobStop_.load());
}

bool StepWatch::End() {
    std::lock_guard lock(mutex_);
    running_ = false;
    // A wait bounded by the step's own time ends just as the watch would notice.
    const bool expired = limit_.count() > 0 && (expired_ || std::chrono::steady_clock::now() >= deadline_);
    expired_ = false;
    flag_.store(jobStop_.load());
    return expired;
}

void StepWatch::Watch() {
    std::unique_lock lock(mutex_);
    while (!quit_) {
        // The job's stop is a flag set by a signal handler: it is polled.
        changed_.wait_for(lock, std::chrono::milliseconds(50));
        if (jobStop_.load()) flag_.store(true);
        if (running_ && !expired_ && std::chrono::steady_clock::now() >= deadline_) {
            expired_ = true;
            flag_.store(true);
        }
    }
}

namespace {

Milliseconds AtMost(Milliseconds wait, Milliseconds step) {
    // A zero wait means "none" to some callers: it stays as it is.
    if (step.count() <= 0 || wait.count() <= 0) return wait;
    return std::min(wait, step);
}

} // namespace

ChannelLimits StepLimits(ChannelLimits limits, Milliseconds step) {
    limits.connect = AtMost(limits.connect, step);
    limits.reply = AtMost(limits.reply, step);
    limits.worker = AtMost(limits.worker, step);
    limits.closeWait = AtMost(limits.closeWait, step);
    return limits;
}

HttpLimits StepLimits(HttpLimits limits, Milliseconds step) {
    limits.connect = AtMost(limits.connect, step);
    limits.sendWait = AtMost(limits.sendWait, step);
    limits.replyWait = AtMost(limits.replyWait, step);
    return limits;
}

} // namespace tarnwell::line
