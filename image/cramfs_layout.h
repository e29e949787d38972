#pragma once
// The on-disk layout of a cramfs image as our devices read it: little-endian
// words, a 76-byte superblock that holds the root inode, 12-byte inodes, and
// files stored as a block-end table followed by zlib blocks of 4096 bytes.
#include <cstddef>
#include <cstdint>
#include <string_view>

namespace tarnwell::cramfs {

inline constexpr std::uint32_t kMagic = 0x28CD3D45;
inline constexpr std::uint32_t kFlagFsidVersion2 = 0x1;  // fsid holds crc, blocks, files
inline constexpr std::uint32_t kFlagSortedDirs = 0x2;
inline constexpr std::string_view kSignature = "Compressed ROMFS";
inline constexpr std::string_view kVolumeName = "Compressed";

inline constexpr std::size_t kSuperblockSize = 76;
inline constexpr std::size_t kInodeSize = 12;
inline constexpr std::size_t kBlockSize = 4096;
// zlib's worst case for one block is far below this; the room each block gets.
inline constexpr std::size_t kBlockRoom = 2 * kBlockSize;
inline constexpr std::size_t kImageAlignment = 4096;

// Superblock field offsets.
inline constexpr std::size_t kMagicAt = 0;
inline constexpr std::size_t kSizeAt = 4;
inline constexpr std::size_t kFlagsAt = 8;
inline constexpr std::size_t kFutureAt = 12;
inline constexpr std::size_t kSignatureAt = 16;
inline constexpr std::size_t kCrcAt = 32;
inline constexpr std::size_t kEditionAt = 36;
inline constexpr std::size_t kBlocksAt = 40;
inline constexpr std::size_t kFilesAt = 44;
inline constexpr std::size_t kNameAt = 48;
inline constexpr std::size_t kRootInodeAt = 64;

inline constexpr std::uint32_t kRootMode = 0x41FF;  // directory, rwxrwxrwx
// Field widths of the inode bound these.
inline constexpr std::uint32_t kMaxFileSize = (1u << 24) - 1;
inline constexpr std::uint32_t kMaxOffset = (1u << 28) - 1;
inline constexpr std::size_t kMaxNameLength = 63 * 4;
inline constexpr std::size_t kMaxImageSize = ((1u << 26) - 1) * 4 + ((1u << 24) - 1) + (1u << 24) * 4 / 4096;
inline constexpr unsigned kMaxImageSizeMiB = 272;

struct Inode {
    std::uint32_t mode = 0;   // 16 bits
    std::uint32_t uid = 0;    // 16 bits
    std::uint32_t size = 0;   // 24 bits
    std::uint32_t gid = 0;    // 8 bits
    std::uint32_t nameUnits = 0;  // name length in 4-byte units, 6 bits
    std::uint32_t offset = 0;     // byte offset, a multiple of 4 below 2^28
};

constexpr std::size_t RoundUp(std::size_t value, std::size_t unit) { return (value + unit - 1) / unit * unit; }

// Number of table words (and blocks) of a file of this size.
constexpr std::uint32_t BlockCount(std::uint32_t size) {
    return size == 0 ? 0 : (size - 1) / static_cast<std::uint32_t>(kBlockSize) + 1;
}

inline void StoreWord(std::uint8_t* at, std::uint32_t value) {
    at[0] = static_cast<std::uint8_t>(value);
    at[1] = static_cast<std::uint8_t>(value >> 8);
    at[2] = static_cast<std::uint8_t>(value >> 16);
    at[3] = static_cast<std::uint8_t>(value >> 24);
}

inline std::uint32_t LoadWord(const std::uint8_t* at) {
    return static_cast<std::uint32_t>(at[0]) | static_cast<std::uint32_t>(at[1]) << 8 |
           static_cast<std::uint32_t>(at[2]) << 16 | static_cast<std::uint32_t>(at[3]) << 24;
}

inline void StoreInode(std::uint8_t* at, const Inode& inode) {
    StoreWord(at, (inode.mode & 0xFFFF) | (inode.uid & 0xFFFF) << 16);
    StoreWord(at + 4, (inode.size & 0xFFFFFF) | (inode.gid & 0xFF) << 24);
    StoreWord(at + 8, (inode.nameUnits & 0x3F) | (inode.offset >> 2) << 6);
}

inline Inode LoadInode(const std::uint8_t* at) {
    const std::uint32_t w0 = LoadWord(at), w1 = LoadWord(at + 4), w2 = LoadWord(at + 8);
    return Inode{w0 & 0xFFFF, w0 >> 16, w1 & 0xFFFFFF, w1 >> 24, w2 & 0x3F, (w2 >> 6) << 2};
}

} // namespace tarnwell::cramfs
