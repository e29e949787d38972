// The parser of the kernel's neighbour dump datagrams. The sequence number is
// taken from the first message so that inputs reach past the sequence check.
#include <cstdint>
#include <cstring>
#include <memory>
#include <vector>

#include "platform/posix/neighbour_table.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    uint32_t sequence = 0;
    if (size >= 12) std::memcpy(&sequence, data + 8, sizeof sequence);
    // An exactly sized, deliberately misaligned block.
    auto block = std::make_unique<uint8_t[]>(size + 1);
    if (size > 0) std::memcpy(block.get() + 1, data, size);
    std::vector<tarnwell::NeighbourEntry> entries;
    tarnwell::ParseNeighbourDump(block.get() + 1, size, sequence, entries);
    return 0;
}
