#pragma once
// The units' addresses as the command line gives them: single IPv4 addresses
// and ranges ("127.0.0.2-127.0.0.17", or "127.0.0.2-17" for the last byte).
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace tarnwell::line {

// No range may hold more units than this: a typo must not start a million jobs.
inline constexpr uint32_t kMaxRangeSize = 4096;

// Strict dotted decimal: four numbers 0-255, nothing else. 0.0.0.0 is refused.
std::optional<uint32_t> ParseUnitAddress(const std::string& text);
std::string FormatUnitAddress(uint32_t address);

// Appends the addresses of one argument in ascending order; false with `error`
// set when it is not an address or a range.
bool AppendAddressArgument(const std::string& argument, std::vector<uint32_t>& addresses, std::string& error);

// The first address that occurs twice, if any.
std::optional<uint32_t> FirstDuplicate(std::vector<uint32_t> addresses);

} // namespace tarnwell::line
