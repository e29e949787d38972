#pragma once
// Where the adapter list comes from, and the two queries over it with the
// required-size protocol: a first call without a buffer reports the size needed
// (kAdapterBufferOverflow), kAdapterNoData means no adapters.
// On Linux the system source reads IPv4 addresses and masks from getifaddrs
// (loopback included: the simulator lives there), default gateways from
// /proc/net/route and DNS servers from /etc/resolv.conf, which are the same for
// every adapter. Interfaces without an IPv4 address are not listed.
#include "platform/adapter_records.h"

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace tarnwell {

class AdapterSource {
public:
    virtual ~AdapterSource() = default;
    // The adapters in the platform's order.
    virtual std::vector<AdapterSnapshot> ReadAdapters() = 0;
};

// The machine's own adapters.
AdapterSource& SystemAdapterSource();

// Block of AdapterRecords, linked in adapter order.
uint32_t GetAdaptersInfo(AdapterSource& source, void* buffer, uint32_t* size);
// The DNS servers of the adapter with that interface index; kAdapterNoData when
// there is no such adapter or its list cannot be read.
uint32_t GetPerAdapterInfo(AdapterSource& source, uint32_t index, void* buffer, uint32_t* size);

// Parsers of the two system files, kept apart so they can be tested on any text.
// Default routes of /proc/net/route: (interface name, gateway text), in file order.
std::vector<std::pair<std::string, std::string>> ParseDefaultGateways(std::string_view routeTable);
// IPv4 "nameserver" entries of a resolver configuration, in file order.
std::vector<std::string> ParseNameservers(std::string_view resolverConfig);

} // namespace tarnwell
