#pragma once
// The one address a search may send its probe to.
#include "platform/interface_addresses.h"

#include <cstdint>
#include <optional>
#include <vector>

namespace tarnwell::devsearch {

// The broadcast address (network order) of the subnet of `localAddress`
// (network order): address | ~mask of the adapter that holds it. 127.0.0.1
// stands for loopback even when no adapter lists it (Windows never does) and
// then gives 127.255.255.255. Empty for any other address no adapter holds.
std::optional<uint32_t> SubnetBroadcastIn(const std::vector<InterfaceAddress>& adapters, uint32_t localAddress);
// The same over this machine's adapters.
std::optional<uint32_t> SubnetBroadcastOf(uint32_t localAddress);

} // namespace tarnwell::devsearch
