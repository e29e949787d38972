#include "protocol/upgrade_pauses.h"

namespace tarnwell {

void CuttablePause::Wait(std::chrono::milliseconds length) {
    std::unique_lock lock(mutex_);
    cut_.wait_for(lock, length, [this] { return cutPending_; });
}

void CuttablePause::Cut() {
    {
        std::lock_guard lock(mutex_);
        cutPending_ = true;
    }
    cut_.notify_all();
}

void CuttablePause::Rearm() {
    std::lock_guard lock(mutex_);
    cutPending_ = false;
}

} // namespace tarnwell
