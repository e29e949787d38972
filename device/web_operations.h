#pragma once
// The unit's web and media services: the serial number through its web CGI,
// and a snapshot over the command channel into a bitmap file.
#include "device/outcome.h"
#include "device/unit_session.h"

#include <string>

namespace tarnwell {

// Ok when the CGI answered a 2xx reply with "ok" in its body. The success
// text is kept, not said: the console shows it in a box of its own.
Outcome SetSerial(const UnitSession& session, const std::string& serialText);

// Saves the picture under `fileName`; details.file names it whenever a file
// was written (a short picture too: the operator judges what arrived).
Outcome CaptureSnapshot(const UnitSession& session, const std::string& fileName);

} // namespace tarnwell
