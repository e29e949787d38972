// Datagrams from the network: probes (read by simulated devices) and answers
// (read by the device-search library).
#include "sdk/device_search_protocol.h"

#include <cstdint>
#include <vector>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    using namespace tarnwell::devsearch;
    std::vector<uint8_t> datagram(data, data + size);
    uint32_t searchId = 0;
    ParseProbe(datagram.data(), datagram.size(), searchId);
    const uint8_t* record = nullptr;
    if (ParseAnswer(datagram.data(), datagram.size(), searchId, record)) {
        if (RecordAddress(record).size() >= kAddressLength + 1) __builtin_trap();
    }
    return 0;
}
