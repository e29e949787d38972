#include "app/update_file_check.h"

#include <algorithm>
#include <array>
#include <cstring>

namespace tarnwell {

namespace {

constexpr size_t kBitsPerPixelLow = 28;

} // namespace

int AcceptsUpdateFileHead(int kind, const uint8_t* head, size_t length) {
    std::array<uint8_t, kUpdateFileHeadLength> bytes{};
    if (length > 0) std::memcpy(bytes.data(), head, std::min(length, bytes.size()));
    switch (kind) {
    case UpdateFileFirmware:
        return 1;
    case UpdateFilePicture:
        // "BM" exactly, and the low byte of the bits-per-pixel field; a file
        // too short to hold it reads as zero there.
        return bytes[0] == 'B' && bytes[1] == 'M' && bytes[kBitsPerPixelLow] == 8 ? 1 : 0;
    default:
        return 0;
    }
}

} // namespace tarnwell
