#pragma once
// Ctrl-C asks the job to stop: no new unit or step starts, running members
// finish. A second Ctrl-C ends the program at once. The one place that knows
// the platform's signal calls.
#include <atomic>

namespace tarnwell::line {

// Clears the request and catches the interrupt from now on.
void CatchStopRequests();
// Gives the interrupt back its default action.
void ReleaseStopRequests();
// Set once an interrupt came.
const std::atomic<bool>& StopRequested();

} // namespace tarnwell::line
