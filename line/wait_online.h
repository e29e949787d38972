#pragma once
// --wait-online: a unit plugged in a moment ago is still booting. Its command
// port is tried about once a second until it takes a connection or the time
// is up; nothing is sent.
#include "device/outcome.h"
#include "device/unit_session.h"

namespace tarnwell::line {

// Ok once a connection to the command port was taken (and closed again);
// failed with FailureKind::Connect when `limit` passed first; stopped on the
// session's stop request.
Outcome WaitUntilOnline(const UnitSession& session, Milliseconds limit, Milliseconds interval = Milliseconds(1000));

} // namespace tarnwell::line
