#pragma once
// The short exchanges that set one thing on a unit, the reboot and the link
// test. Each opens its own connection to the command port; those the device
// never answers are ok only on the evidence of its orderly close.
#include "device/outcome.h"
#include "device/unit_session.h"
#include "platform/local_date_time.h"

#include <string>

namespace tarnwell {

// `wait` bounds every wait on the device (the firmware worker's is longer).
Outcome RebootDevice(const UnitSession& session, Milliseconds wait);
inline Outcome RebootDevice(const UnitSession& session) { return RebootDevice(session, session.limits.reply); }

// Queries the device's language list and, when `wantedName` is on it, sets
// the language at `selection` on a second connection.
Outcome UpdateLanguage(const UnitSession& session, const std::string& wantedName, int selection);
Outcome SetLanguage(const UnitSession& session, int selection);
Outcome SetVideoStandard(const UnitSession& session, int selection);
Outcome SetDeviceTime(const UnitSession& session, const LocalDateTime& date, const LocalDateTime& time);
// Checks the text, reserves it in the session's ledger, sends the block.
Outcome SetMacAddress(const UnitSession& session, const std::string& macText);
// Connects and closes; sends nothing.
Outcome TestLink(const UnitSession& session);

} // namespace tarnwell
