#include "support/arp_purge_stand_in.h"

#include "app/operator_console.h"
#include "net/arp_table.h"

namespace tarnwell {

// Does what the console's purge does, so tests see the same behaviour either way.
[[gnu::weak]] void OperatorConsole::PurgeArpEntry() { PurgeArpEntryFor(deviceAddressText); }

} // namespace tarnwell

namespace tarnwell::test {

void LinkArpPurgeStandIn() {}

} // namespace tarnwell::test
