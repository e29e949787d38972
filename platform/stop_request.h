#pragma once
// Ctrl-C (and, when asked, the system's request to end) asks the program to
// stop: it sets a flag the program polls. A second Ctrl-C ends the program at
// once. POSIX uses signals, Windows the console control handler.
#include <atomic>

namespace tarnwell {

enum class StopSources {
    Interrupt,              // Ctrl-C only
    InterruptAndTerminate,  // also SIGTERM / closing the console window
};

// Clears the request and catches the interrupt from now on.
void CatchStopRequests(StopSources sources = StopSources::Interrupt);
// Gives the interrupt back its default action.
void ReleaseStopRequests();
// Set once a stop was asked for.
const std::atomic<bool>& StopRequested();
// Blocks until a stop is asked for.
void WaitForStopRequest();

} // namespace tarnwell
