// The routing table and resolver configuration read for the adapter list.
#include "platform/network_adapters.h"

#include <cstdint>
#include <string_view>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    std::string_view text(reinterpret_cast<const char*>(data), size);
    tarnwell::ParseDefaultGateways(text);
    tarnwell::ParseNameservers(text);
    return 0;
}
