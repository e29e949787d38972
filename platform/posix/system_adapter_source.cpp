// The adapter list on Linux: getifaddrs, /proc/net/route, /etc/resolv.conf.
#include "platform/network_adapters.h"

#include <arpa/inet.h>
#include <fstream>
#include <ifaddrs.h>
#include <net/if.h>
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

} // namespace tarnwell
