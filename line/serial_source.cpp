#include "line/serial_source.h"

#include "line/address_list.h"

#include <algorithm>
#include <cctype>
#include <fstream>

namespace tarnwell::line {

namespace {

std::string Trimmed(const std::string& text) {
    size_t start = 0, end = text.size();
    while (start < end && std::isspace(static_cast<unsigned char>(text[start]))) ++start;
    while (end > start && std::isspace(static_cast<unsigned char>(text[end - 1]))) --end;
    return text.substr(start, end - start);
}

} // namespace

std::string SerialPattern::Nth(uint64_t index) const {
    std::string digits = std::to_string(first + index);
    if (digits.size() < width) digits.insert(0, width - digits.size(), '0');
    return prefix + digits + suffix;
}

std::optional<SerialPattern> ParseSerialPattern(const std::string& text, std::string& error) {
    const size_t open = text.find('{');
    const size_t close = open == std::string::npos ? std::string::npos : text.find('}', open);
    if (close == std::string::npos) {
        error = "the serial pattern has no counter such as {0001}: " + text;
        return std::nullopt;
    }
    const std::string counter = text.substr(open + 1, close - open - 1);
    const bool digitsOnly = !counter.empty() && counter.size() <= 18 &&
                            std::all_of(counter.begin(), counter.end(), [](unsigned char c) { return std::isdigit(c); });
    if (!digitsOnly) {
        error = "the serial counter must be decimal digits, such as {0001}: " + text;
        return std::nullopt;
    }
    SerialPattern pattern{text.substr(0, open), text.substr(close + 1), std::stoull(counter), counter.size()};
    if (pattern.suffix.find('{') != std::string::npos) {
        error = "the serial pattern has more than one counter: " + text;
        return std::nullopt;
    }
    return pattern;
}

std::optional<std::map<uint32_t, std::string>> ReadSerialFile(const std::string& path, std::string& error) {
    std::ifstream file(path);
    if (!file) {
        error = "cannot read the serial file " + path;
        return std::nullopt;
    }
    std::map<uint32_t, std::string> serials;
    std::string line;
    for (int number = 1; std::getline(file, line); ++number) {
        const std::string where = path + ":" + std::to_string(number) + ": ";
        line = Trimmed(line);
        if (line.empty() || line[0] == '#') continue;
        const size_t comma = line.find(',');
        if (comma == std::string::npos) {
            error = where + "expected address,serial";
            return std::nullopt;
        }
        const std::string addressText = Trimmed(line.substr(0, comma));
        const std::string serial = Trimmed(line.substr(comma + 1));
        auto address = ParseUnitAddress(addressText);
        if (!address) {
            if (serials.empty() && number == 1) continue; // a heading
            error = where + "not an IPv4 address: " + addressText;
            return std::nullopt;
        }
        if (serial.empty()) {
            error = where + "no serial for " + addressText;
            return std::nullopt;
        }
        if (!serials.emplace(*address, serial).second) {
            error = where + addressText + " is listed twice";
            return std::nullopt;
        }
    }
    return serials;
}

} // namespace tarnwell::line
