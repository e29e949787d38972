#include "text/mac_text.h"

#include <cstdio>
#include <optional>
#include <vector>

namespace tarnwell {
namespace {

constexpr std::size_t kGroupCount = 6;
constexpr std::size_t kMaxGroupLength = 2;
constexpr unsigned kMaxGroupValue = 0xFF;

using Groups = std::vector<std::string>;

Groups SplitMacText(const std::string& text) {
    Groups groups;
    std::size_t start = 0;
    while (start < text.size()) {
        const auto end = text.find(':', start);
        const auto stop = end == std::string::npos ? text.size() : end;
        if (stop > start) groups.push_back(text.substr(start, stop - start));
        start = stop + 1;
    }
    return groups;
}

int HexDigitValue(char c) {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    return -1;
}

// A group the device could not take as a byte ("zz", "0g") is refused here
// rather than sent or stepped.
bool IsMacGroup(const std::string& group) {
    if (group.empty() || group.size() > kMaxGroupLength) return false;
    for (const char c : group) {
        if (HexDigitValue(c) < 0) return false;
    }
    return true;
}

std::optional<Groups> WellFormedGroups(const std::string& text) {
    if (text.size() >= kMacWorkAreaSize) return std::nullopt;
    Groups groups = SplitMacText(text);
    if (groups.size() != kGroupCount) return std::nullopt;
    for (const auto& group : groups) {
        if (!IsMacGroup(group)) return std::nullopt;
    }
    return groups;
}

unsigned GroupValue(const std::string& group) {
    unsigned value = 0;
    for (const char c : group) value = value * 16 + static_cast<unsigned>(HexDigitValue(c));
    return value;
}

std::string FormatGroup(unsigned value) {
    char text[3];
    std::snprintf(text, sizeof text, "%02X", value & kMaxGroupValue);
    return text;
}

std::string JoinGroups(const Groups& groups) {
    std::string joined;
    for (const auto& group : groups) {
        if (!joined.empty()) joined += ':';
        joined += group;
    }
    return joined;
}

} // namespace

int ValidateMacText(std::string text) {
    if (text.empty()) return kMacTextEmpty;
    return WellFormedGroups(text) ? kMacTextWellFormed : kMacTextMalformed;
}

bool StepMacText(const std::string& text, std::string& stepped) {
    auto groups = WellFormedGroups(text);
    if (!groups) return false;
    bool carry = true;
    for (auto group = groups->rbegin(); group != groups->rend() && carry; ++group) {
        unsigned value = GroupValue(*group) + 1;
        carry = value > kMaxGroupValue;
        if (carry) value = 0;
        *group = FormatGroup(value);
    }
    stepped = JoinGroups(*groups);
    return true;
}

bool CompactMacText(const std::string& text, std::string& compact) {
    const auto groups = WellFormedGroups(text);
    if (!groups) return false;
    compact = JoinGroups(*groups);
    return true;
}

} // namespace tarnwell
