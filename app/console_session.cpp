// The console's sessions: each action works on one made from the console's
// limits, pauses, work folder and flags, heard through the console's window.
#include "app/console_observer.h"
#include "app/operator_console.h"

#include <cstdio>

namespace tarnwell {

namespace {

// The second number is 10 for every member, whatever the package holds.
std::string MemberStatusText(int index) {
    char text[32];
    std::snprintf(text, sizeof text, "Update %d-%d...", index, 10);
    return text;
}

} // namespace

void ConsoleObserver::Message(const BilingualText& text) { console_.ShowBilingualMessage(text); }

void ConsoleObserver::Progress(int percent) { console_.Ui().SetProgress(percent); }

void FirmwareWorkerObserver::MembersStarting() {
    membersStarted_ = true;
    console_.Ui().EnableControl(IdUpdateBios, false);
}

void FirmwareWorkerObserver::MemberStarting(int index, int) {
    console_.Ui().SetStatusLine(MemberStatusText(index));
    console_.Ui().SetProgress(0);
}

UnitSession OperatorConsole::Session(const std::string& address, OperationObserver* observer) {
    UnitSession session;
    session.address = address;
    session.webPortText = webPortText;
    session.limits = channelLimits;
    session.httpLimits = httpLimits;
    session.pauses = upgradePauses;
    session.workFolder = workFolder;
    session.stop = &stopBeforeNextMember;
    session.observer = observer != nullptr ? observer : &windowObserver_;
    session.bytesSent = &bytesSent;
    session.flashLayout = &FlashLayoutFlag;
    return session;
}

const Outcome& OperatorConsole::Noted(const Outcome& outcome) {
    StepRecorder::NoteOutcome(outcome);
    return outcome;
}

} // namespace tarnwell
