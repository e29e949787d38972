#include "platform/stop_request.h"

#include <csignal>

namespace tarnwell {

namespace {

std::atomic<bool> stopRequested{false};
static_assert(std::atomic<bool>::is_always_lock_free, "set from a signal handler");

extern "C" void OnStopSignal(int signal) {
    stopRequested.store(true);
    // The next Ctrl-C is not caught: an operator who insists gets out at once.
    if (signal == SIGINT) std::signal(SIGINT, SIG_DFL);
}

} // namespace

void CatchStopRequests(StopSources sources) {
    stopRequested.store(false);
    std::signal(SIGINT, OnStopSignal);
    if (sources == StopSources::InterruptAndTerminate) std::signal(SIGTERM, OnStopSignal);
}

void ReleaseStopRequests() {
    std::signal(SIGINT, SIG_DFL);
    std::signal(SIGTERM, SIG_DFL);
}

const std::atomic<bool>& StopRequested() { return stopRequested; }

} // namespace tarnwell
