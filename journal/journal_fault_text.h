#pragma once
// What a journal fault means, in both languages, for every front end: the
// console's boxes, the line runner's events, tarnwell-journal's errors.
#include "journal/journal.h"

namespace tarnwell {

// The reason alone ("the disk is full"), to go inside a longer message.
JournalMessage JournalFaultReason(JournalFault fault);

// The loud message of a MAC written after its reservation was released.
JournalMessage FenceConflictMessage(const MacFenceConflict& conflict);

// "reason: detail" in each language, for a tool's error line.
JournalMessage JournalErrorText(const JournalError& error);

} // namespace tarnwell
