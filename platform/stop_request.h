#pragma once
// Ctrl-C (and, when asked, the system's request to end) asks the program to
// stop: it sets a flag the program polls. A second Ctrl-C ends the program at
// once, or, when the program asks, sets a second flag so that it can close
// what it holds open first; a third one then ends it at once. POSIX uses
// signals, Windows the console control handler.
#include <atomic>

namespace tarnwell {

enum class StopSources {
    Interrupt,              // Ctrl-C only
    InterruptAndTerminate,  // also SIGTERM / closing the console window
};

enum class SecondInterrupt {
    EndsProgram, // the default action: the process ends at once
    Reported,    // sets SecondStopRequested(); the program ends itself
};

// Clears the requests and catches the interrupt from now on.
void CatchStopRequests(StopSources sources = StopSources::Interrupt,
                       SecondInterrupt second = SecondInterrupt::EndsProgram);
// Gives the interrupt back its default action.
void ReleaseStopRequests();
// Set once a stop was asked for.
const std::atomic<bool>& StopRequested();
// Set by a second Ctrl-C when it is reported.
const std::atomic<bool>& SecondStopRequested();
// Blocks until a stop is asked for.
void WaitForStopRequest();

} // namespace tarnwell
