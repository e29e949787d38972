#include "platform/interface_addresses.h"

#include "platform/ipv4_text.h"
#include "platform/windows/adapter_info_block.h"

namespace tarnwell {

std::vector<InterfaceAddress> ReadInterfaceAddresses() {
    std::vector<InterfaceAddress> addresses;
    const AdapterInfoBlock block = ReadAdapterInfoBlock();
    for (const IP_ADAPTER_INFO* adapter = block.First(); adapter != nullptr; adapter = adapter->Next) {
        for (const IP_ADDR_STRING* entry = &adapter->IpAddressList; entry != nullptr; entry = entry->Next) {
            uint32_t address = 0, mask = 0;
            if (!ParseDottedIpv4(entry->IpAddress.String, address) || !ParseDottedIpv4(entry->IpMask.String, mask)) continue;
            if (address != 0) addresses.push_back({address, mask});
        }
    }
    return addresses;
}

} // namespace tarnwell
