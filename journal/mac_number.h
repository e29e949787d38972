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

// Whether a device can carry the address as its own: not all zeros, and not
// a group address (the lowest bit of the first octet, which broadcast has too).
inline bool IsAssignableMac(uint64_t number) { return number != 0 && ((number >> 40) & 1) == 0; }

// The lowest assignable address at or after `number`; past the last one, nothing.
std::optional<uint64_t> NextAssignableMac(uint64_t number);

} // namespace tarnwell
