#include "platform/network_adapters.h"

#include <arpa/inet.h>
#include <fstream>
#include <ifaddrs.h>
#include <net/if.h>
#include <net/route.h>
#include <netinet/in.h>
#include <sstream>

namespace tarnwell {
namespace {

std::string Ipv4Text(const sockaddr* address) {
    if (address == nullptr || address->sa_family != AF_INET) return "0.0.0.0";
    char text[INET_ADDRSTRLEN] = {};
    ::inet_ntop(AF_INET, &reinterpret_cast<const sockaddr_in*>(address)->sin_addr, text, sizeof text);
    return text;
}

std::string ReadWholeFile(const char* path) {
    std::ifstream in(path);
    std::stringstream text;
    text << in.rdbuf();
    return text.str();
}

// Aliases show up as "eth0:1"; they belong to their interface.
std::string InterfaceOf(const char* label) {
    std::string name = label;
    return name.substr(0, name.find(':'));
}

class SystemSource final : public AdapterSource {
public:
    std::vector<AdapterSnapshot> ReadAdapters() override {
        std::vector<AdapterSnapshot> adapters;
        ifaddrs* list = nullptr;
        if (::getifaddrs(&list) != 0) return adapters;
        for (ifaddrs* item = list; item != nullptr; item = item->ifa_next) {
            if (item->ifa_addr == nullptr || item->ifa_addr->sa_family != AF_INET) continue;
            std::string name = InterfaceOf(item->ifa_name);
            AdapterSnapshot* adapter = Find(adapters, name);
            if (adapter == nullptr) {
                adapter = &adapters.emplace_back();
                adapter->name = name;
                adapter->description = name;
                adapter->index = ::if_nametoindex(name.c_str());
                adapter->type = (item->ifa_flags & IFF_LOOPBACK) ? kAdapterTypeLoopback : kAdapterTypeEthernet;
            }
            adapter->addresses.emplace_back(Ipv4Text(item->ifa_addr), Ipv4Text(item->ifa_netmask));
        }
        ::freeifaddrs(list);

        for (const auto& [name, gateway] : ParseDefaultGateways(ReadWholeFile("/proc/net/route"))) {
            if (AdapterSnapshot* adapter = Find(adapters, name)) adapter->gateways.push_back(gateway);
        }
        std::vector<std::string> dns = ParseNameservers(ReadWholeFile("/etc/resolv.conf"));
        for (auto& adapter : adapters) adapter.dnsServers = dns;
        return adapters;
    }

private:
    static AdapterSnapshot* Find(std::vector<AdapterSnapshot>& adapters, const std::string& name) {
        for (auto& adapter : adapters) {
            if (adapter.name == name) return &adapter;
        }
        return nullptr;
    }
};

} // namespace

AdapterSource& SystemAdapterSource() {
    static SystemSource source;
    return source;
}

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
        if (destinationWord != 0 || maskWord != 0 || !(flagWord & RTF_GATEWAY) || !(flagWord & RTF_UP)) continue;
        in_addr address{};
        address.s_addr = static_cast<uint32_t>(gatewayWord);
        char text[INET_ADDRSTRLEN] = {};
        ::inet_ntop(AF_INET, &address, text, sizeof text);
        gateways.emplace_back(name, text);
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
        in_addr parsed{};
        if (::inet_pton(AF_INET, address.c_str(), &parsed) == 1) servers.push_back(address);
    }
    return servers;
}

} // namespace tarnwell
