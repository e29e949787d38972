// Before an action reaches the device, its ARP entry goes, so the next
// connection resolves the device's hardware address afresh.
#include "app/operator_console.h"
#include "net/arp_table.h"

namespace tarnwell {

void OperatorConsole::PurgeArpEntry() { PurgeArpEntryFor(deviceAddressText); }

} // namespace tarnwell
