#pragma once
// IPv4 addresses as text, without the socket API, so every platform reads and
// writes them the same way.
#include <cstdint>
#include <string>

namespace tarnwell {

// inet_addr rules: one to four parts, each decimal, octal (leading 0) or hex
// (0x); the last part fills the remaining bytes. Text after a blank is
// ignored. The 32-bit address in network order; false when the text is not an
// address (so 255.255.255.255 is told apart from an error).
bool ParseIpv4(const std::string& text, uint32_t& networkOrder);
// Exactly four decimal parts of 0 to 255, nothing else (inet_pton rules).
bool ParseDottedIpv4(const std::string& text, uint32_t& networkOrder);
// Dotted decimal without leading zeros (inet_ntoa) of a network-order address.
std::string FormatIpv4(uint32_t networkOrder);

// Conversions between host and network order of a 32-bit address.
uint32_t NetworkOrder(uint32_t hostOrder);
uint32_t HostOrder(uint32_t networkOrder);

} // namespace tarnwell
