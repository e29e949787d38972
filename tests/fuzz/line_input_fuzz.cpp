// Any text as a unit address argument, a serial pattern or a serial file: the
// parsers stay inside their input, a range never exceeds its limit, and every
// serial they give is one the pattern or file holds.
#include "input_as_file.h"
#include "line/address_list.h"
#include "line/serial_source.h"

#include <cstdint>
#include <cstdlib>
#include <string>
#include <vector>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    using namespace tarnwell::line;
    const std::string text(reinterpret_cast<const char*>(data), size);

    std::vector<uint32_t> addresses;
    std::string error;
    if (AppendAddressArgument(text, addresses, error)) {
        if (addresses.empty() || addresses.size() > kMaxRangeSize) std::abort();
        for (uint32_t address : addresses)
            if (ParseUnitAddress(FormatUnitAddress(address)) != address) std::abort();
    } else if (error.empty() || !addresses.empty()) {
        std::abort();
    }

    if (auto pattern = ParseSerialPattern(text, error)) {
        const std::string first = pattern->Nth(0);
        if (first.rfind(pattern->prefix, 0) != 0 || first.size() < pattern->prefix.size() + pattern->width) std::abort();
    }

    tarnwell::fuzz::InputAsFile file(data, size);
    if (auto serials = ReadSerialFile(file.Path(), error)) {
        for (const auto& [address, serial] : *serials)
            if (serial.empty() || text.find(serial) == std::string::npos || address == 0) std::abort();
    }
    return 0;
}
