// Any byte string handed to the logo image reader must give a verdict without
// reading outside the input. Each input is also tried with its CRC mended, so
// that mutations reach the directory and block checks behind the CRC.
#include "image/cramfs_layout.h"
#include "sim/cramfs_reader.h"

#include <zlib.h>

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace {

void Read(const uint8_t* data, size_t size) {
    tarnwell::CramfsImage image;
    std::string error;
    tarnwell::ReadCramfsImage({data, size}, image, error);
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    using namespace tarnwell::cramfs;
    Read(data, size);
    if (size < kSuperblockSize) return 0;
    std::vector<uint8_t> mended(data, data + size);
    size_t length = LoadWord(mended.data() + kSizeAt);
    if (length < kSuperblockSize || length > size) return 0;
    StoreWord(mended.data() + kCrcAt, 0);
    StoreWord(mended.data() + kCrcAt, static_cast<uint32_t>(crc32(0, mended.data(), static_cast<uInt>(length))));
    Read(mended.data(), mended.size());
    return 0;
}
