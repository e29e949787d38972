#include "platform/stop_request.h"

#include <csignal>

namespace tarnwell {

namespace {

std::atomic<bool> stopRequested{false};
std::atomic<bool> secondStopRequested{false};
std::atomic<bool> secondIsReported{false};
static_assert(std::atomic<bool>::is_always_lock_free, "set from a signal handler");

extern "C" void OnStopSignal(int signal) {
    const bool second = signal == SIGINT && stopRequested.load();
    stopRequested.store(true);
    if (second) secondStopRequested.store(true);
    // The last Ctrl-C is not caught: an operator who insists gets out at once.
    if (signal == SIGINT && (second || !secondIsReported.load())) std::signal(SIGINT, SIG_DFL);
}

} // namespace

void CatchStopRequests(StopSources sources, SecondInterrupt second) {
    stopRequested.store(false);
    secondStopRequested.store(false);
    secondIsReported.store(second == SecondInterrupt::Reported);
    std::signal(SIGINT, OnStopSignal);
    if (sources == StopSources::InterruptAndTerminate) std::signal(SIGTERM, OnStopSignal);
}

void ReleaseStopRequests() {
    std::signal(SIGINT, SIG_DFL);
    std::signal(SIGTERM, SIG_DFL);
}

const std::atomic<bool>& StopRequested() { return stopRequested; }
const std::atomic<bool>& SecondStopRequested() { return secondStopRequested; }

} // namespace tarnwell
