#include "sdk/subnet_broadcast.h"

#include "platform/ipv4_text.h"

namespace tarnwell::devsearch {

std::optional<uint32_t> SubnetBroadcastIn(const std::vector<InterfaceAddress>& adapters, uint32_t localAddress) {
    // Computed rather than asked for: loopback has no broadcast address of its own.
    for (const InterfaceAddress& adapter : adapters) {
        if (adapter.address == localAddress) return adapter.address | ~adapter.mask;
    }
    // Only the loopback host address itself: another 127.x that no adapter
    // holds would send from an address the answers cannot come back to.
    if (localAddress == NetworkOrder(0x7f000001)) return NetworkOrder(0x7fffffff);
    return std::nullopt;
}

std::optional<uint32_t> SubnetBroadcastOf(uint32_t localAddress) {
    return SubnetBroadcastIn(ReadInterfaceAddresses(), localAddress);
}

} // namespace tarnwell::devsearch
