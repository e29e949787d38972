#include "line/address_list.h"

#include <algorithm>
#include <charconv>
#include <cstdio>

namespace tarnwell::line {

namespace {

std::optional<uint32_t> ParseByte(const std::string& text) {
    if (text.empty() || text.size() > 3) return std::nullopt;
    unsigned value = 0;
    auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (error != std::errc() || end != text.data() + text.size() || value > 255) return std::nullopt;
    return value;
}

} // namespace

std::optional<uint32_t> ParseUnitAddress(const std::string& text) {
    uint32_t address = 0;
    size_t start = 0;
    for (int part = 0; part < 4; ++part) {
        size_t end = part < 3 ? text.find('.', start) : text.size();
        if (end == std::string::npos) return std::nullopt;
        auto byte = ParseByte(text.substr(start, end - start));
        if (!byte) return std::nullopt;
        address = address << 8 | *byte;
        start = end + 1;
    }
    if (address == 0) return std::nullopt;
    return address;
}

std::string FormatUnitAddress(uint32_t address) {
    char text[16];
    std::snprintf(text, sizeof text, "%u.%u.%u.%u", address >> 24, (address >> 16) & 0xFF, (address >> 8) & 0xFF,
                  address & 0xFF);
    return text;
}

bool AppendAddressArgument(const std::string& argument, std::vector<uint32_t>& addresses, std::string& error) {
    const size_t dash = argument.find('-');
    if (dash == std::string::npos) {
        auto address = ParseUnitAddress(argument);
        if (!address) {
            error = "not an IPv4 address: " + argument;
            return false;
        }
        addresses.push_back(*address);
        return true;
    }
    auto first = ParseUnitAddress(argument.substr(0, dash));
    std::string lastText = argument.substr(dash + 1);
    std::optional<uint32_t> last;
    if (lastText.find('.') == std::string::npos) {
        if (auto byte = ParseByte(lastText); byte && first) last = (*first & 0xFFFFFF00u) | *byte;
    } else {
        last = ParseUnitAddress(lastText);
    }
    if (!first || !last) {
        error = "not an address range: " + argument;
        return false;
    }
    if (*last < *first) {
        error = "the range ends before it starts: " + argument;
        return false;
    }
    if (*last - *first >= kMaxRangeSize) {
        error = "the range holds more than " + std::to_string(kMaxRangeSize) + " units: " + argument;
        return false;
    }
    for (uint32_t address = *first;; ++address) {
        addresses.push_back(address);
        if (address == *last) break;
    }
    return true;
}

std::optional<uint32_t> FirstDuplicate(std::vector<uint32_t> addresses) {
    std::sort(addresses.begin(), addresses.end());
    auto twice = std::adjacent_find(addresses.begin(), addresses.end());
    if (twice == addresses.end()) return std::nullopt;
    return *twice;
}

} // namespace tarnwell::line
