#include "platform/interface_addresses.h"

#include <ifaddrs.h>
#include <netinet/in.h>

namespace tarnwell {

std::vector<InterfaceAddress> ReadInterfaceAddresses() {
    std::vector<InterfaceAddress> addresses;
    ifaddrs* list = nullptr;
    if (::getifaddrs(&list) != 0) return addresses;
    for (ifaddrs* item = list; item != nullptr; item = item->ifa_next) {
        if (item->ifa_addr == nullptr || item->ifa_netmask == nullptr || item->ifa_addr->sa_family != AF_INET) continue;
        addresses.push_back({reinterpret_cast<const sockaddr_in*>(item->ifa_addr)->sin_addr.s_addr,
                             reinterpret_cast<const sockaddr_in*>(item->ifa_netmask)->sin_addr.s_addr});
    }
    ::freeifaddrs(list);
    return addresses;
}

} // namespace tarnwell
