#pragma once
// Small real bitmaps for the simulated camera and for tests.
#include <cstdint>
#include <vector>

namespace tarnwell::sim {

// A bottom-up BMP with a gradient picture: 8 bits with a grey palette, or 24 bits.
std::vector<uint8_t> MakeBitmap(int width, int height, int bitsPerPixel);

} // namespace tarnwell::sim
