#pragma once
// The one address a search may send its probe to.
#include <cstdint>
#include <optional>

namespace tarnwell::devsearch {

// The broadcast address (network order) of the subnet of `localAddress`
// (network order), taken from this machine's interface list: address | ~mask.
// Empty when no interface holds that address.
std::optional<uint32_t> SubnetBroadcastOf(uint32_t localAddress);

} // namespace tarnwell::devsearch
