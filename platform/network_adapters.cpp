#include "platform/network_adapters.h"

#include "platform/ipv4_text.h"

#include <sstream>

namespace tarnwell {
namespace {

// Route flags of /proc/net/route.
constexpr unsigned long kRouteUp = 0x1;
constexpr unsigned long kRouteGateway = 0x2;

} // namespace

uint32_t GetAdaptersInfo(AdapterSource& source, void* buffer, uint32_t* size) {
    return PackAdapterRecords(source.ReadAdapters(), buffer, size);
}

uint32_t GetPerAdapterInfo(AdapterSource& source, uint32_t index, void* buffer, uint32_t* size) {
    for (const auto& adapter : source.ReadAdapters()) {
        if (adapter.index != index) continue;
        if (!adapter.dnsReadable) return kAdapterNoData;
        return PackDnsRecord(adapter.dnsServers, buffer, size);
    }
    return kAdapterNoData;
}

std::vector<std::pair<std::string, std::string>> ParseDefaultGateways(std::string_view routeTable) {
    std::vector<std::pair<std::string, std::string>> gateways;
    std::istringstream lines{std::string(routeTable)};
    std::string line;
    std::getline(lines, line); // column headings
    while (std::getline(lines, line)) {
        std::istringstream fields(line);
        std::string name, destination, gateway, flags, refCount, use, metric, mask;
        if (!(fields >> name >> destination >> gateway >> flags >> refCount >> use >> metric >> mask)) continue;
        // The kernel prints each address as the hex of its in-memory (network order) word.
        unsigned long destinationWord = 0, gatewayWord = 0, flagWord = 0, maskWord = 0;
        try {
            destinationWord = std::stoul(destination, nullptr, 16);
            gatewayWord = std::stoul(gateway, nullptr, 16);
            flagWord = std::stoul(flags, nullptr, 16);
            maskWord = std::stoul(mask, nullptr, 16);
        } catch (...) {
            continue;
        }
        if (destinationWord != 0 || maskWord != 0 || !(flagWord & kRouteGateway) || !(flagWord & kRouteUp)) continue;
        gateways.emplace_back(name, FormatIpv4(static_cast<uint32_t>(gatewayWord)));
    }
    return gateways;
}

std::vector<std::string> ParseNameservers(std::string_view resolverConfig) {
    std::vector<std::string> servers;
    std::istringstream lines{std::string(resolverConfig)};
    std::string line;
    while (std::getline(lines, line)) {
        std::istringstream fields(line);
        std::string keyword, address;
        if (!(fields >> keyword >> address) || keyword != "nameserver") continue;
        uint32_t parsed = 0;
        if (ParseDottedIpv4(address, parsed)) servers.push_back(address);
    }
    return servers;
}

} // namespace tarnwell
