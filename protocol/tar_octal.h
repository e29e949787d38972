#pragma once
// Size fields of tar headers: octal digits as text.
#include <cstdint>
#include <string_view>

namespace tarnwell {

// The value of an octal field, up to its first NUL, leading '0's skipped.
// Digits are not checked: each character counts as (code - '0') times its
// power of eight, modulo 2^32. Packages rely on this reading, odd fields too.
std::uint32_t ParseTarOctal(std::string_view text);

// True when the field, up to its first NUL, holds only octal digits (or
// nothing) and its value fits 32 bits: the only fields whose ParseTarOctal
// value is a size that means something.
bool IsPlainTarSize(std::string_view text);

} // namespace tarnwell
