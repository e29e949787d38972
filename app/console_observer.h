#pragma once
// How the console hears a running operation: messages become its boxes
// (recorded with the journal's step), progress moves its bar. The firmware
// worker's observer also keeps the status line and the UpdateBios button.
#include "device/operation_observer.h"

namespace tarnwell {

class OperatorConsole;

class ConsoleObserver : public OperationObserver {
public:
    explicit ConsoleObserver(OperatorConsole& console) : console_(console) {}
    void Message(const BilingualText& text) override;
    void Progress(int percent) override;

protected:
    OperatorConsole& console_;
};

class FirmwareWorkerObserver : public ConsoleObserver {
public:
    using ConsoleObserver::ConsoleObserver;
    void MembersStarting() override;
    void MemberStarting(int index, int members) override;
    // The handshake was accepted: the upgrade's ending applies.
    bool MembersStarted() const { return membersStarted_; }

private:
    bool membersStarted_ = false;
};

} // namespace tarnwell
