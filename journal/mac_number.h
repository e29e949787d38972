#pragma once
// A MAC address as the journal keeps it: a 48-bit number, so that "0:1a:..."
// and "00:1A:..." are the same address and pools are plain ranges.
#include <cstdint>
#include <optional>
#include <string>

namespace tarnwell {

inline constexpr uint64_t kLastMacNumber = 0xFFFFFFFFFFFFull;

// The number of a well-formed MAC text (six groups of one or two hex digits).
std::optional<uint64_t> ParseMacNumber(const std::string& text);

// "00:1A:2B:3C:4D:5E": two upper-case digits per group.
std::string FormatMacNumber(uint64_t number);

} // namespace tarnwell
