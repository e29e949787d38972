#include "protocol/tar_octal.h"

#include <limits>

namespace tarnwell {
namespace {

std::string_view UpToNul(std::string_view text) {
    const auto nul = text.find('\0');
    return nul == std::string_view::npos ? text : text.substr(0, nul);
}

} // namespace

std::uint32_t ParseTarOctal(std::string_view text) {
    text = UpToNul(text);
    const auto first = text.find_first_not_of('0');
    text = first == std::string_view::npos ? std::string_view() : text.substr(first);
    // Unsigned arithmetic wraps where a signed sum would be undefined.
    std::uint32_t value = 0;
    std::uint32_t power = 1;
    for (auto it = text.rbegin(); it != text.rend(); ++it) {
        const auto digit = static_cast<std::uint32_t>(static_cast<unsigned char>(*it)) - 48u;
        value += digit * power;
        power *= 8u;
    }
    return value;
}

bool ReadTarSize(std::string_view field, std::uint32_t& size) {
    field = UpToNul(field);
    const auto first = field.find_first_not_of(' ');
    field = first == std::string_view::npos ? std::string_view() : field.substr(first);
    const auto last = field.find_last_not_of(' ');
    field = last == std::string_view::npos ? std::string_view() : field.substr(0, last + 1);
    std::uint64_t value = 0;
    for (const char c : field) {
        if (c < '0' || c > '7') return false;
        value = value * 8 + static_cast<std::uint64_t>(c - '0');
        if (value > std::numeric_limits<std::uint32_t>::max()) return false;
    }
    size = static_cast<std::uint32_t>(value);
    return true;
}

} // namespace tarnwell
