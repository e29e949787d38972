#pragma once
// The adapter query results in the shape the adapter list is written against:
// one self-contained block of linked records (IPv4 texts of 16 bytes), filled
// under a required-size protocol. A Windows build gets these from IP Helper;
// here they are packed from plain snapshots.
#include <cstdint>
#include <string>
#include <utility>
#include <vector>

namespace tarnwell {

inline constexpr uint32_t kAdapterQueryOk = 0;
inline constexpr uint32_t kAdapterBufferOverflow = 111; // size reported, call again
inline constexpr uint32_t kAdapterInsufficientBuffer = 122;
inline constexpr uint32_t kAdapterNoData = 232;         // no adapters at all

inline constexpr uint32_t kAdapterTypeEthernet = 6;
inline constexpr uint32_t kAdapterTypeLoopback = 24;

struct AddressEntry {
    AddressEntry* next = nullptr;
    char address[16] = {};
    char mask[16] = {};
};

struct AdapterRecord {
    AdapterRecord* next = nullptr;
    uint32_t index = 0;
    uint32_t type = 0;
    uint32_t dhcpEnabled = 0;
    uint32_t haveWins = 0;
    int32_t leaseObtained = 0;
    int32_t leaseExpires = 0;
    char name[260] = {};
    char description[132] = {};
    AddressEntry* currentAddress = nullptr; // null when the adapter has none
    AddressEntry addressList;               // first entry embedded, the rest follow `next`
    AddressEntry gatewayList;
    AddressEntry dhcpServer;
    AddressEntry primaryWinsServer;
    AddressEntry secondaryWinsServer;
};

struct PerAdapterRecord {
    AddressEntry dnsServerList;
};

// One adapter as plain values, before packing.
struct AdapterSnapshot {
    std::string name;
    std::string description;
    uint32_t index = 0;
    uint32_t type = kAdapterTypeEthernet;
    std::vector<std::pair<std::string, std::string>> addresses; // (address, mask)
    int currentAddress = 0;                                     // index into addresses, -1 for none
    std::vector<std::string> gateways;
    std::vector<std::string> dnsServers;
    bool dnsReadable = true;
};

// Packs adapters into `buffer` of *size bytes. Without adapters: kAdapterNoData.
// A missing or short buffer: *size becomes the size needed and the result is
// kAdapterBufferOverflow. Texts longer than their slot are cut, always terminated.
uint32_t PackAdapterRecords(const std::vector<AdapterSnapshot>& adapters, void* buffer, uint32_t* size);
// Same protocol for one adapter's DNS servers.
uint32_t PackDnsRecord(const std::vector<std::string>& servers, void* buffer, uint32_t* size);

} // namespace tarnwell
