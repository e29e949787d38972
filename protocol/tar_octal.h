#pragma once
// Size fields of tar headers: octal digits as text.
#include <cstdint>
#include <string_view>

namespace tarnwell {

// The value of an octal field, up to its first NUL, leading '0's skipped.
// Digits are not checked: each character counts as (code - '0') times its
// power of eight, modulo 2^32. Packages rely on this reading, odd fields too.
std::uint32_t ParseTarOctal(std::string_view text);

// The size a header's size field gives, as tar tools write it: octal digits
// with leading blanks or zeros, ended by a blank, a NUL or the field's end.
// False when anything else is in it or the value does not fit 32 bits.
bool ReadTarSize(std::string_view field, std::uint32_t& size);

} // namespace tarnwell
