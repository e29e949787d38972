#pragma once
// Before an action reaches a unit, its ARP entry goes, so the next connection
// resolves the unit's hardware address afresh (a replaced unit at the same
// address has another). Silent on every failure: nothing depends on it.
#include "device/unit_session.h"

namespace tarnwell {

void PurgeArpEntry(const UnitSession& session);

} // namespace tarnwell
