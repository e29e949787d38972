// The adapter list on Windows: IP Helper's GetAdaptersInfo and, per adapter,
// GetPerAdapterInfo for its DNS servers.
#include "platform/network_adapters.h"

#include "platform/windows/adapter_info_block.h"

#include <memory>

namespace tarnwell {
namespace {

// Every entry of an IP Helper address list, the first (embedded) one included.
template <typename Take>
void WalkAddressList(const IP_ADDR_STRING* entry, Take take) {
    for (; entry != nullptr; entry = entry->Next) take(*entry);
}

bool ReadDnsServers(uint32_t index, std::vector<std::string>& servers) {
    ULONG size = 0;
    if (::GetPerAdapterInfo(index, nullptr, &size) != ERROR_BUFFER_OVERFLOW || size == 0) return false;
    auto block = std::make_unique<unsigned char[]>(size);
    auto* info = reinterpret_cast<IP_PER_ADAPTER_INFO*>(block.get());
    if (::GetPerAdapterInfo(index, info, &size) != ERROR_SUCCESS) return false;
    WalkAddressList(&info->DnsServerList, [&](const IP_ADDR_STRING& entry) { servers.push_back(entry.IpAddress.String); });
    return true;
}

class SystemSource final : public AdapterSource {
public:
    std::vector<AdapterSnapshot> ReadAdapters() override {
        std::vector<AdapterSnapshot> adapters;
        const AdapterInfoBlock block = ReadAdapterInfoBlock();
        for (const IP_ADAPTER_INFO* info = block.First(); info != nullptr; info = info->Next) {
            AdapterSnapshot& adapter = adapters.emplace_back();
            adapter.name = info->AdapterName;
            adapter.description = info->Description;
            adapter.index = info->Index;
            adapter.type = info->Type;
            adapter.currentAddress = -1;
            WalkAddressList(&info->IpAddressList, [&](const IP_ADDR_STRING& entry) {
                if (&entry == info->CurrentIpAddress) adapter.currentAddress = static_cast<int>(adapter.addresses.size());
                adapter.addresses.emplace_back(entry.IpAddress.String, entry.IpMask.String);
            });
            WalkAddressList(&info->GatewayList, [&](const IP_ADDR_STRING& entry) { adapter.gateways.push_back(entry.IpAddress.String); });
            adapter.dnsReadable = ReadDnsServers(info->Index, adapter.dnsServers);
        }
        return adapters;
    }
};

} // namespace

AdapterSource& SystemAdapterSource() {
    static SystemSource source;
    return source;
}

} // namespace tarnwell
