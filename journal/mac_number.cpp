#include "journal/mac_number.h"

#include "text/mac_text.h"

#include <cstdio>

namespace tarnwell {

std::optional<uint64_t> ParseMacNumber(const std::string& text) {
    std::string compact;
    if (!CompactMacText(text, compact)) return std::nullopt;
    uint64_t number = 0;
    size_t start = 0;
    while (start <= compact.size()) {
        size_t end = compact.find(':', start);
        if (end == std::string::npos) end = compact.size();
        number = (number << 8) | std::stoul(compact.substr(start, end - start), nullptr, 16);
        start = end + 1;
    }
    return number;
}

std::optional<uint64_t> NextAssignableMac(uint64_t number) {
    if (number == 0) return 1;
    // A group address: the next even first octet begins the next unicast block.
    if ((number >> 40) & 1) number = ((number >> 40) + 1) << 40;
    if (number > kLastMacNumber) return std::nullopt;
    return number;
}

std::string FormatMacNumber(uint64_t number) {
    char text[18];
    std::snprintf(text, sizeof text, "%02X:%02X:%02X:%02X:%02X:%02X", unsigned(number >> 40) & 0xFF,
                  unsigned(number >> 32) & 0xFF, unsigned(number >> 24) & 0xFF, unsigned(number >> 16) & 0xFF,
                  unsigned(number >> 8) & 0xFF, unsigned(number) & 0xFF);
    return text;
}

} // namespace tarnwell
