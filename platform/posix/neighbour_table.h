#pragma once
// The kernel's IPv4 neighbour (ARP) cache over rtnetlink: read it whole,
// delete one entry. Stands in for the IP Helper ARP calls.
#include <cstddef>
#include <cstdint>
#include <vector>

namespace tarnwell {

struct NeighbourEntry {
    uint32_t interfaceIndex = 0;
    uint32_t address = 0;  // IPv4, network order
    uint8_t linkAddress[8] = {};
    uint8_t linkAddressLength = 0;
    uint16_t state = 0;  // NUD_* flags
};

enum class NeighbourDumpStep {
    More,    // the datagram was read; the dump goes on
    Done,    // the dump ended
    Failed,  // an error reply, an interrupted dump or a malformed message
};

// Reads one received datagram of an RTM_GETNEIGH dump answering `sequence`,
// appending its IPv4 entries. Reads nothing outside data[0, length).
NeighbourDumpStep ParseNeighbourDump(const void* data, size_t length, uint32_t sequence,
                                     std::vector<NeighbourEntry>& entries);

// Every IPv4 neighbour entry of every interface; false when the kernel
// cannot be asked or the dump fails.
bool ReadIpv4Neighbours(std::vector<NeighbourEntry>& entries);

// Deletes the entry for `address` (network order) on the interface; false
// when the kernel refuses (no such entry, no privilege) or cannot be asked.
bool DeleteIpv4Neighbour(uint32_t interfaceIndex, uint32_t address);

} // namespace tarnwell
