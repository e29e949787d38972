#pragma once
// The two pauses of the firmware upgrade, and a wait that can be cut short.
#include <chrono>
#include <condition_variable>
#include <mutex>

namespace tarnwell {

struct UpgradePauses {
    // The device settles after writing a member before it takes the next one.
    std::chrono::milliseconds betweenMembers{1000};
    // How long the ending's status stays before the line returns to idle.
    std::chrono::milliseconds beforeIdleStatus{3000};
};

// The worker's last pause. A new upgrade cuts it short instead of freezing
// the window while the finished worker is joined.
class CuttablePause {
public:
    // Waits `length` unless Cut() comes, or came since the last Rearm().
    void Wait(std::chrono::milliseconds length);
    void Cut();
    void Rearm();

private:
    std::mutex mutex_;
    std::condition_variable cut_;
    bool cutPending_ = false;
};

} // namespace tarnwell
