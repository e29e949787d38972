#include "line/stop_signal.h"

#include <csignal>

namespace tarnwell::line {

namespace {

std::atomic<bool> stopRequested{false};
static_assert(std::atomic<bool>::is_always_lock_free, "set from a signal handler");

extern "C" void OnInterrupt(int) {
    stopRequested.store(true);
    // The next Ctrl-C is not caught: an operator who insists gets out at once.
    std::signal(SIGINT, SIG_DFL);
}

} // namespace

void CatchStopRequests() {
    stopRequested.store(false);
    std::signal(SIGINT, OnInterrupt);
}

void ReleaseStopRequests() { std::signal(SIGINT, SIG_DFL); }

const std::atomic<bool>& StopRequested() { return stopRequested; }

} // namespace tarnwell::line
