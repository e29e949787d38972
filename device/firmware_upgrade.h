#pragma once
// The firmware upgrade of one unit: the handshake on a connection of its own,
// then each member of the package on a connection of its own, and the reboot
// once the unit has taken the last one. Every wait on the device is bounded by
// the session's worker limit; a member's data by one deadline for all of it.
#include "device/firmware_package.h"
#include "device/outcome.h"
#include "device/unit_session.h"

#include <string>

namespace tarnwell {

// The upgrade from a package already checked. A stop request is honoured
// before each member and before the reboot; a stopped unit is not rebooted.
Outcome UpgradeFirmware(const UnitSession& session, const FirmwarePackage& package);
// Checks the package on disk first ("File format error!" when it is refused).
Outcome UpgradeFirmwareFromFile(const UnitSession& session, const std::string& packagePath);

// True when the outcome means the unit took every member (whether or not
// the reboot reached it).
bool AllMembersTaken(const Outcome& upgrade);

} // namespace tarnwell
