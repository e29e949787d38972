#include "platform/stop_request.h"

#include "support/interrupt.h"

#include <gtest/gtest.h>

#include <chrono>
#include <thread>

using namespace tarnwell;

namespace {

// Windows runs the console handler on a thread of its own, a little later.
bool StopArrivesWithin(std::chrono::milliseconds limit) {
    const auto deadline = std::chrono::steady_clock::now() + limit;
    while (!StopRequested().load() && std::chrono::steady_clock::now() < deadline)
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    return StopRequested().load();
}

} // namespace

TEST(StopRequest, CtrlCSetsTheFlagAndCatchingAgainClearsIt) {
    CatchStopRequests();
    EXPECT_FALSE(StopRequested().load());
    ASSERT_TRUE(test::InterruptThisProcess()) << "the interrupt could not be delivered";
    EXPECT_TRUE(StopArrivesWithin(std::chrono::milliseconds(5000)));
    // A new run starts without the old request, and still catches the next Ctrl-C.
    CatchStopRequests();
    EXPECT_FALSE(StopRequested().load());
    ASSERT_TRUE(test::InterruptThisProcess());
    EXPECT_TRUE(StopArrivesWithin(std::chrono::milliseconds(5000)));
    ReleaseStopRequests();
}

TEST(StopRequest, ASecondCtrlCIsReportedWhenAskedAndTheProcessLivesOn) {
    CatchStopRequests(StopSources::Interrupt, SecondInterrupt::Reported);
    ASSERT_TRUE(test::InterruptThisProcess()) << "the interrupt could not be delivered";
    ASSERT_TRUE(StopArrivesWithin(std::chrono::milliseconds(5000)));
    EXPECT_FALSE(SecondStopRequested().load());
    ASSERT_TRUE(test::InterruptThisProcess());
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(5);
    while (!SecondStopRequested().load() && std::chrono::steady_clock::now() < deadline)
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    EXPECT_TRUE(SecondStopRequested().load());
    // Catching again starts afresh.
    CatchStopRequests();
    EXPECT_FALSE(SecondStopRequested().load());
    ReleaseStopRequests();
}
