#include "sim/test_bitmap.h"

#include <cstddef>

namespace tarnwell::sim {

namespace {

void Put16(std::vector<uint8_t>& out, size_t at, uint32_t value) {
    out[at] = static_cast<uint8_t>(value);
    out[at + 1] = static_cast<uint8_t>(value >> 8);
}

void Put32(std::vector<uint8_t>& out, size_t at, uint32_t value) {
    Put16(out, at, value & 0xFFFF);
    Put16(out, at + 2, value >> 16);
}

} // namespace

std::vector<uint8_t> MakeBitmap(int width, int height, int bitsPerPixel) {
    const bool paletted = bitsPerPixel == 8;
    const uint32_t paletteSize = paletted ? 256 * 4 : 0;
    const uint32_t rowSize = ((static_cast<uint32_t>(width) * (paletted ? 1 : 3)) + 3) & ~3u;
    const uint32_t pixelOffset = 14 + 40 + paletteSize;
    const uint32_t fileSize = pixelOffset + rowSize * static_cast<uint32_t>(height);
    std::vector<uint8_t> out(fileSize, 0);
    out[0] = 'B';
    out[1] = 'M';
    Put32(out, 2, fileSize);
    Put32(out, 10, pixelOffset);
    Put32(out, 14, 40);
    Put32(out, 18, static_cast<uint32_t>(width));
    Put32(out, 22, static_cast<uint32_t>(height));
    Put16(out, 26, 1);
    Put16(out, 28, static_cast<uint32_t>(bitsPerPixel));
    Put32(out, 34, rowSize * static_cast<uint32_t>(height));
    if (paletted) {
        for (uint32_t i = 0; i < 256; ++i) {
            size_t at = 54 + i * 4;
            out[at] = out[at + 1] = out[at + 2] = static_cast<uint8_t>(i);
        }
    }
    for (int y = 0; y < height; ++y) {
        uint8_t* row = out.data() + pixelOffset + rowSize * static_cast<uint32_t>(y);
        for (int x = 0; x < width; ++x) {
            uint8_t shade = static_cast<uint8_t>((x * 255 / (width > 1 ? width - 1 : 1) + y * 3) & 0xFF);
            if (paletted) {
                row[x] = shade;
            } else {
                row[x * 3] = shade;
                row[x * 3 + 1] = static_cast<uint8_t>(255 - shade);
                row[x * 3 + 2] = static_cast<uint8_t>(y * 255 / (height > 1 ? height - 1 : 1));
            }
        }
    }
    return out;
}

} // namespace tarnwell::sim
