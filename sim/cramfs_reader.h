#pragma once
// Reads a logo image received from the tool: checks the superblock (magic,
// signature, size, CRC, counts), walks the root directory and inflates every
// file. Only what the image writer produces is accepted: one root directory
// holding regular files. Every offset is checked before it is followed, so a
// damaged or hostile image gives an error, never a read outside the input.
#include <cstddef>
#include <cstdint>
#include <span>
#include <string>
#include <vector>

namespace tarnwell {

struct CramfsFile {
    std::string name;
    std::uint32_t mode = 0;
    std::uint32_t dataOffset = 0;  // 0 for an empty file
    std::string contents;
};

struct CramfsImage {
    std::uint32_t length = 0;  // the superblock's size field
    std::uint32_t crc = 0;
    std::uint32_t blocks = 0;
    std::uint32_t files = 0;  // entries plus the root
    std::uint32_t directorySize = 0;
    std::vector<CramfsFile> entries;  // in directory order
};

// True and fills `image` when `bytes` holds a consistent image; otherwise false
// with a one-line reason in `error`. Bytes past the superblock's size are ignored.
bool ReadCramfsImage(std::span<const std::uint8_t> bytes, CramfsImage& image, std::string& error);

} // namespace tarnwell
