#include "platform/ipv4_text.h"

#include <cctype>

namespace tarnwell {

namespace {

// One part of an inet_addr text starting at `at`; moves `at` past it.
bool ReadPart(const std::string& text, size_t& at, uint64_t& value) {
    int base = 10;
    if (at < text.size() && text[at] == '0') {
        base = 8;
        if (at + 1 < text.size() && (text[at + 1] == 'x' || text[at + 1] == 'X')) {
            base = 16;
            at += 2;
        }
    }
    const size_t start = at;
    value = 0;
    for (; at < text.size(); ++at) {
        const unsigned char c = static_cast<unsigned char>(text[at]);
        int digit;
        if (std::isdigit(c)) digit = c - '0';
        else if (base == 16 && std::isxdigit(c)) digit = std::tolower(c) - 'a' + 10;
        else break;
        if (digit >= base) return false;
        value = value * static_cast<uint64_t>(base) + static_cast<uint64_t>(digit);
        if (value > 0xffffffffULL) return false;
    }
    // "0x" alone is no number; a lone "0" is.
    return at > start || base == 8;
}

} // namespace

uint32_t NetworkOrder(uint32_t hostOrder) {
    const uint8_t bytes[4] = {static_cast<uint8_t>(hostOrder >> 24), static_cast<uint8_t>(hostOrder >> 16),
                              static_cast<uint8_t>(hostOrder >> 8), static_cast<uint8_t>(hostOrder)};
    uint32_t word = 0;
    for (int i = 3; i >= 0; --i) word = (word << 8) | bytes[i];
    return word;
}

uint32_t HostOrder(uint32_t networkOrder) { return NetworkOrder(networkOrder); }

bool ParseIpv4(const std::string& text, uint32_t& networkOrder) {
    uint64_t parts[4] = {};
    int count = 0;
    size_t at = 0;
    for (;;) {
        if (count == 4 || !ReadPart(text, at, parts[count])) return false;
        ++count;
        if (at < text.size() && text[at] == '.') {
            ++at;
            continue;
        }
        if (at < text.size() && !std::isspace(static_cast<unsigned char>(text[at]))) return false;
        break;
    }
    uint64_t host = 0;
    switch (count) {
    case 1: host = parts[0]; break;
    case 2:
        if (parts[0] > 0xff || parts[1] > 0xffffff) return false;
        host = parts[0] << 24 | parts[1];
        break;
    case 3:
        if (parts[0] > 0xff || parts[1] > 0xff || parts[2] > 0xffff) return false;
        host = parts[0] << 24 | parts[1] << 16 | parts[2];
        break;
    default:
        for (uint64_t part : parts) {
            if (part > 0xff) return false;
        }
        host = parts[0] << 24 | parts[1] << 16 | parts[2] << 8 | parts[3];
    }
    networkOrder = NetworkOrder(static_cast<uint32_t>(host));
    return true;
}

bool ParseDottedIpv4(const std::string& text, uint32_t& networkOrder) {
    uint32_t host = 0;
    size_t at = 0;
    for (int part = 0; part < 4; ++part) {
        if (part > 0) {
            if (at >= text.size() || text[at] != '.') return false;
            ++at;
        }
        const size_t start = at;
        unsigned value = 0;
        while (at < text.size() && std::isdigit(static_cast<unsigned char>(text[at])) && at - start < 3)
            value = value * 10 + static_cast<unsigned>(text[at++] - '0');
        // No empty part, no leading zero, nothing above 255.
        if (at == start || value > 255 || (text[start] == '0' && at - start > 1)) return false;
        host = host << 8 | value;
    }
    if (at != text.size()) return false;
    networkOrder = NetworkOrder(host);
    return true;
}

std::string FormatIpv4(uint32_t networkOrder) {
    const uint32_t host = HostOrder(networkOrder);
    return std::to_string(host >> 24) + "." + std::to_string((host >> 16) & 0xff) + "." +
           std::to_string((host >> 8) & 0xff) + "." + std::to_string(host & 0xff);
}

} // namespace tarnwell
