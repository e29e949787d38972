#include "line/step_retry.h"

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <string>
#include <thread>

namespace tarnwell::line {

namespace {

using Clock = std::chrono::steady_clock;

void Pause(Milliseconds pause, const std::atomic<bool>& stop) {
    const auto until = Clock::now() + pause;
    while (!stop.load() && Clock::now() < until)
        std::this_thread::sleep_for(std::min<Clock::duration>(until - Clock::now(), std::chrono::milliseconds(50)));
}

BilingualText RetryNote(int attempt, Milliseconds pause) {
    char seconds[32];
    std::snprintf(seconds, sizeof seconds, "%.1f", static_cast<double>(pause.count()) / 1000);
    const std::string tries = std::to_string(attempt);
    return {"第 " + tries + " 次连接失败," + seconds + " 秒后重试",
            "attempt " + tries + " could not connect; trying again in " + seconds + " s"};
}

} // namespace

bool WorthRetrying(const Outcome& outcome) {
    return outcome.failure == FailureKind::Connect && outcome.details.bytesSent == 0;
}

Outcome RunWithRetries(const RetryPolicy& policy, const std::atomic<bool>& stop, OperationObserver& events,
                       const std::function<Outcome()>& attempt, int& attempts) {
    const auto start = Clock::now();
    std::vector<BilingualText> earlier;
    Milliseconds pause = policy.firstPause;
    for (attempts = 1;; ++attempts) {
        Outcome outcome = attempt();
        if (attempts <= policy.retries && !stop.load() && WorthRetrying(outcome)) {
            const BilingualText note = RetryNote(attempts, pause);
            events.Message(note);
            outcome.messages.push_back(note);
            Pause(pause, stop);
            pause = std::min(pause * 2, policy.longestPause);
            // A stop during the pause ends the step with the try that failed.
            if (!stop.load()) {
                earlier.insert(earlier.end(), outcome.messages.begin(), outcome.messages.end());
                continue;
            }
        }
        outcome.messages.insert(outcome.messages.begin(), earlier.begin(), earlier.end());
        outcome.details.elapsed = std::chrono::duration_cast<std::chrono::milliseconds>(Clock::now() - start);
        return outcome;
    }
}

} // namespace tarnwell::line
