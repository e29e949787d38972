#pragma once
// --search ADAPTER: the devices that the device-search library finds on one
// local adapter, named by its name (e.g. "lo") or its IPv4 address.
#include <string>
#include <vector>

namespace tarnwell::line {

struct FoundUnit {
    std::string address;
    int webPort = 80;
};

// False with `error` set when the adapter is unknown, the library cannot be
// loaded or the search fails; no device found is not an error.
bool SearchAdapter(const std::string& adapter, const std::string& libraryPath, std::vector<FoundUnit>& found,
                   std::string& error);

} // namespace tarnwell::line
