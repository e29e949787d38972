#include "sdk/subnet_broadcast.h"

#include <ifaddrs.h>
#include <netinet/in.h>

namespace tarnwell::devsearch {

std::optional<uint32_t> SubnetBroadcastOf(uint32_t localAddress) {
    ifaddrs* list = nullptr;
    if (::getifaddrs(&list) != 0) return std::nullopt;
    std::optional<uint32_t> broadcast;
    for (ifaddrs* item = list; item != nullptr && !broadcast; item = item->ifa_next) {
        if (item->ifa_addr == nullptr || item->ifa_netmask == nullptr || item->ifa_addr->sa_family != AF_INET) continue;
        uint32_t address = reinterpret_cast<const sockaddr_in*>(item->ifa_addr)->sin_addr.s_addr;
        uint32_t mask = reinterpret_cast<const sockaddr_in*>(item->ifa_netmask)->sin_addr.s_addr;
        // Computed rather than taken from ifa_broadaddr: loopback has none.
        if (address == localAddress) broadcast = address | ~mask;
    }
    ::freeifaddrs(list);
    return broadcast;
}

} // namespace tarnwell::devsearch
