#pragma once
// What a running operation tells its front end as it goes: the messages the
// operator sees at that moment, and where an upgrade stands. Calls come from
// the thread that runs the operation.
#include "text/bilingual_text.h"

namespace tarnwell {

class OperationObserver {
public:
    virtual ~OperationObserver() = default;

    // A message for the operator now; it is also kept in the outcome.
    virtual void Message(const BilingualText&) {}
    // Upgrade: the handshake was accepted, members follow.
    virtual void MembersStarting() {}
    // Upgrade: entry `index` (from 0) of the member table comes next; the
    // package holds `members`. The entry after the last one is announced too:
    // its connection ends the upgrade.
    virtual void MemberStarting(int /*index*/, int /*members*/) {}
    // Per cent of the data being sent (a member or a picture).
    virtual void Progress(int /*percent*/) {}
    // Upgrade: the member's last byte went out; the device writes it before it answers.
    virtual void WritingMember(int /*index*/) {}
};

} // namespace tarnwell
