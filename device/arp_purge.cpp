#include "device/arp_purge.h"

#include "net/arp_table.h"

namespace tarnwell {

void PurgeArpEntry(const UnitSession& session) { PurgeArpEntryFor(session.address); }

} // namespace tarnwell
