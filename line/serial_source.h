#pragma once
// Where the units' serial numbers come from: a pattern with one decimal
// counter in braces ("SN-{0001}": SN-0001, SN-0002, ... in address order,
// zero-padded to the counter's width), or a CSV file of "address,serial" lines.
#include <cstdint>
#include <map>
#include <optional>
#include <string>

namespace tarnwell::line {

struct SerialPattern {
    std::string prefix;
    std::string suffix;
    uint64_t first = 0;
    size_t width = 0;

    // The serial of the unit at `index` in address order.
    std::string Nth(uint64_t index) const;
};

// Nothing, with `error` set, when the text has no counter or more than one.
std::optional<SerialPattern> ParseSerialPattern(const std::string& text, std::string& error);

// Address (host order) to serial. Blank lines and lines starting with '#' are
// skipped; a first line "address,serial" is taken as a heading. Nothing, with
// `error` naming the line, for a malformed line or an address given twice.
std::optional<std::map<uint32_t, std::string>> ReadSerialFile(const std::string& path, std::string& error);

} // namespace tarnwell::line
