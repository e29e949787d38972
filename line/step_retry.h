#pragma once
// --retry: a step the unit did not let connect runs again after a pause that
// doubles each time. Only a try that sent the unit nothing is repeated, so
// nothing the unit took goes out twice.
#include "device/operation_observer.h"
#include "device/outcome.h"
#include "platform/socket_handle.h"

#include <atomic>
#include <functional>

namespace tarnwell::line {

struct RetryPolicy {
    int retries = 0;                        // tries after the first
    Milliseconds firstPause{1000};
    Milliseconds longestPause{8000};
};

// True when `outcome` may be tried again.
bool WorthRetrying(const Outcome& outcome);

// Runs `attempt` until it is not worth retrying, the retries are used up or
// `stop` is set. The last try's outcome, with the messages of the earlier
// ones and a note of each retry before its own, and the time of all of them;
// `attempts` says how many ran. Each retry's note also goes to `events`.
Outcome RunWithRetries(const RetryPolicy& policy, const std::atomic<bool>& stop, OperationObserver& events,
                       const std::function<Outcome()>& attempt, int& attempts);

} // namespace tarnwell::line
