#include "platform/stop_request.h"

#include <windows.h>

namespace tarnwell {

namespace {

std::atomic<bool> stopRequested{false};
std::atomic<bool> secondStopRequested{false};
std::atomic<bool> secondIsReported{false};
std::atomic<bool> terminateCounts{false};

BOOL WINAPI OnConsoleControl(DWORD event) {
    const bool interrupt = event == CTRL_C_EVENT || event == CTRL_BREAK_EVENT;
    if (!interrupt && !terminateCounts.load()) return FALSE;
    if (interrupt && stopRequested.load()) {
        // The last interrupt goes to the default handler, which ends the process.
        if (!secondIsReported.load() || secondStopRequested.load()) return FALSE;
        secondStopRequested.store(true);
        return TRUE;
    }
    stopRequested.store(true);
    // A closing console window ends the process when the handler returns; let
    // the program finish what it does first, as Windows allows for a few seconds.
    if (!interrupt) ::Sleep(5000);
    return TRUE;
}

} // namespace

void CatchStopRequests(StopSources sources, SecondInterrupt second) {
    stopRequested.store(false);
    secondStopRequested.store(false);
    secondIsReported.store(second == SecondInterrupt::Reported);
    terminateCounts.store(sources == StopSources::InterruptAndTerminate);
    ::SetConsoleCtrlHandler(OnConsoleControl, TRUE);
}

void ReleaseStopRequests() { ::SetConsoleCtrlHandler(OnConsoleControl, FALSE); }

const std::atomic<bool>& StopRequested() { return stopRequested; }
const std::atomic<bool>& SecondStopRequested() { return secondStopRequested; }

} // namespace tarnwell
