#pragma once
// The IPv4 addresses this machine's adapters hold, with their masks: what a
// search needs to tell which subnet a local address belongs to. Windows does
// not list loopback among its adapters; POSIX does.
#include <cstdint>
#include <vector>

namespace tarnwell {

struct InterfaceAddress {
    uint32_t address = 0;  // network order
    uint32_t mask = 0;     // network order
};

// Empty when the list cannot be read.
std::vector<InterfaceAddress> ReadInterfaceAddresses();

} // namespace tarnwell
