#pragma once
// One local adapter with its IPv4 configuration, as the adapter list reads it
// from the platform's adapter record plus that adapter's DNS server list.
#include "platform/network_adapters.h"

#include <cstdint>
#include <string>
#include <utility>
#include <vector>

namespace tarnwell {

class NetworkAdapterInfo {
public:
    // Copies everything from `adapter`, then asks `source` for the adapter's DNS
    // servers. 1 when the DNS list could be read, 0 otherwise (the rest is
    // filled either way); 0 and nothing filled when `adapter` is null.
    int LoadFromPlatformRecord(const AdapterRecord* adapter, AdapterSource& source = SystemAdapterSource());

    // Copies; an index at or past the end of its list gives the empty text.
    std::string DescriptionText() const { return description_; }
    std::string AddressAt(uint32_t index) const;
    std::string MaskAt(uint32_t index) const;
    std::string GatewayAt(uint32_t index) const;
    std::string DnsServerAt(uint32_t index) const;

    std::string AdapterNameText() const { return adapterName_; }
    // "0.0.0.0" when the platform names no current address.
    std::string CurrentAddressText() const { return currentAddress_; }
    std::string CurrentMaskText() const { return currentMask_; }
    uint32_t InterfaceIndex() const { return interfaceIndex_; }
    uint32_t AdapterType() const { return adapterType_; }

private:
    std::string adapterName_;
    std::string description_;
    std::string primaryWinsServer_;
    std::string secondaryWinsServer_;
    std::string dhcpServer_;
    std::string currentAddress_;
    std::string currentMask_;
    uint32_t interfaceIndex_ = 0;
    uint32_t adapterType_ = 0;
    uint32_t dhcpEnabled_ = 0;
    uint32_t haveWins_ = 0;
    std::vector<std::string> dnsServers_;
    std::vector<std::pair<std::string, std::string>> addresses_; // (address, mask)
    std::vector<std::string> gateways_;
    int32_t leaseObtained_ = 0;
    int32_t leaseExpires_ = 0;
};

// Fills `array` (may be null) with the current adapters. `needed` receives the
// adapter count times sizeof(NetworkAdapterInfo). Returns 122 and fills nothing
// when `capacity` (bytes) is below that; 0 otherwise, also when the platform
// query failed and nothing was filled (needed is then 0).
uint32_t FillAdapterRecords(NetworkAdapterInfo* array, uint32_t capacity, uint32_t* needed,
                            AdapterSource& source = SystemAdapterSource());

} // namespace tarnwell
