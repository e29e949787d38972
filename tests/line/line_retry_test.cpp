// When a step runs again: only after a refused connection that reached
// nothing of the unit, never past the retries or a stop.
#include "line/step_retry.h"

#include <gtest/gtest.h>

using namespace tarnwell;
using namespace tarnwell::line;

namespace {

Outcome Refused(uint64_t bytesSent = 0) {
    Outcome outcome;
    outcome.result = StepResult::Failed;
    outcome.failure = FailureKind::Connect;
    outcome.messages.push_back({"连接失败", "Connect Failed!"});
    outcome.details.bytesSent = bytesSent;
    return outcome;
}

const RetryPolicy kQuick{3, Milliseconds(1), Milliseconds(4)};

} // namespace

TEST(LineRetry, ARefusedTryRunsAgainUntilItIsTakenAndKeepsEveryTrysMessages) {
    std::atomic<bool> stop{false};
    OperationObserver events;
    int calls = 0, attempts = 0;
    Outcome outcome = RunWithRetries(kQuick, stop, events, [&] { return ++calls < 3 ? Refused() : Outcome{}; }, attempts);
    EXPECT_TRUE(outcome.Ok());
    EXPECT_EQ(attempts, 3);
    ASSERT_EQ(outcome.messages.size(), 4u);
    EXPECT_EQ(outcome.messages[1].english, "attempt 1 could not connect; trying again in 0.0 s");
    EXPECT_EQ(outcome.messages[3].english.rfind("attempt 2 ", 0), 0u);

    calls = 0;
    outcome = RunWithRetries(kQuick, stop, events, [&] { return ++calls, Refused(); }, attempts);
    EXPECT_EQ(outcome.failure, FailureKind::Connect);
    EXPECT_EQ(calls, 4) << "the first try and three retries";
    EXPECT_EQ(attempts, 4);
}

TEST(LineRetry, NothingTheUnitTookAndNothingAfterAStopRunsAgain) {
    std::atomic<bool> stop{false};
    OperationObserver events;
    int calls = 0, attempts = 0;
    // A member went out before the connection failed: a retry would send it twice.
    RunWithRetries(kQuick, stop, events, [&] { return ++calls, Refused(100); }, attempts);
    EXPECT_EQ(calls, 1);
    Outcome silent;
    silent.result = StepResult::Failed;
    silent.failure = FailureKind::ReplyTimeout;
    calls = 0;
    RunWithRetries(kQuick, stop, events, [&] { return ++calls, silent; }, attempts);
    EXPECT_EQ(calls, 1) << "only refused connections are retried";

    calls = 0;
    RunWithRetries(kQuick, stop, events, [&] { ++calls; stop = true; return Refused(); }, attempts);
    EXPECT_EQ(calls, 1);
    EXPECT_EQ(attempts, 1);
}
