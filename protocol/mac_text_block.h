#pragma once
// The 33-byte block that carries the MAC text to the device after CmdSetMac:
// the text, its NUL, and zeros up to the 33rd byte.
#include <array>
#include <cstddef>
#include <cstdint>
#include <string>

namespace tarnwell {

inline constexpr std::size_t kMacTextBlockSize = 33;
using MacTextBlock = std::array<std::uint8_t, kMacTextBlockSize>;

// Texts of up to 32 bytes go in as they are. Nothing is ever written past the
// block and its last byte is always NUL: a longer well-formed text (long only
// through redundant ':') goes in its compact form, so the device still gets
// the whole address; any other longer text is cut after 32 bytes.
MacTextBlock MakeMacTextBlock(const std::string& text);

} // namespace tarnwell
