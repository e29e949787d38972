#include "sim/cramfs_reader.h"

#include "image/cramfs_layout.h"

#include <sys/stat.h>
#include <zlib.h>

#include <cstring>

namespace tarnwell {

namespace {

using namespace cramfs;

class ImageReader {
public:
    ImageReader(std::span<const std::uint8_t> bytes, CramfsImage& image, std::string& error)
        : bytes_(bytes), image_(image), error_(error) {}

    bool Read() {
        if (!ReadSuperblock()) return false;
        if (!CheckCrc()) return false;
        if (!ReadDirectory()) return false;
        return CheckCounts();
    }

private:
    bool Fail(std::string reason) {
        error_ = std::move(reason);
        return false;
    }

    bool ReadSuperblock() {
        if (bytes_.size() < kSuperblockSize) return Fail("shorter than a superblock");
        const std::uint8_t* super = bytes_.data();
        if (LoadWord(super + kMagicAt) != kMagic) return Fail("bad magic");
        if (std::memcmp(super + kSignatureAt, kSignature.data(), kSignature.size()) != 0)
            return Fail("bad signature");
        const std::uint32_t flags = LoadWord(super + kFlagsAt);
        if ((flags & kFlagFsidVersion2) == 0) return Fail("no checksum (old superblock)");
        if ((flags & ~(kFlagFsidVersion2 | kFlagSortedDirs)) != 0) return Fail("unsupported flags");
        image_.length = LoadWord(super + kSizeAt);
        if (image_.length < kSuperblockSize || image_.length > bytes_.size()) return Fail("size field out of range");
        bytes_ = bytes_.first(image_.length);
        image_.crc = LoadWord(super + kCrcAt);
        image_.blocks = LoadWord(super + kBlocksAt);
        image_.files = LoadWord(super + kFilesAt);
        const Inode root = LoadInode(super + kRootInodeAt);
        if (!S_ISDIR(root.mode)) return Fail("root is not a directory");
        image_.directorySize = root.size;
        directoryAt_ = root.offset;
        if (root.size != 0 && (directoryAt_ < kSuperblockSize || !InImage(directoryAt_, root.size)))
            return Fail("root directory out of range");
        return true;
    }

    bool CheckCrc() {
        static constexpr std::uint8_t kZeroField[4] = {};
        const std::uint8_t* data = bytes_.data();
        uLong crc = ::crc32(0, nullptr, 0);
        crc = ::crc32(crc, data, kCrcAt);
        crc = ::crc32(crc, kZeroField, sizeof kZeroField);
        crc = ::crc32(crc, data + kCrcAt + 4, static_cast<uInt>(bytes_.size() - kCrcAt - 4));
        if (static_cast<std::uint32_t>(crc) != image_.crc) return Fail("CRC mismatch");
        return true;
    }

    bool ReadDirectory() {
        const std::size_t end = directoryAt_ + image_.directorySize;
        std::size_t at = directoryAt_;
        while (at < end) {
            if (end - at < kInodeSize) return Fail("truncated inode");
            const Inode inode = LoadInode(bytes_.data() + at);
            const std::size_t nameBytes = inode.nameUnits * 4u;
            if (nameBytes == 0 || end - at - kInodeSize < nameBytes) return Fail("name out of range");
            const char* name = reinterpret_cast<const char*>(bytes_.data() + at + kInodeSize);
            CramfsFile file;
            file.name.assign(name, strnlen(name, nameBytes));
            if (file.name.empty()) return Fail("empty name");
            if (!S_ISREG(inode.mode)) return Fail("entry is not a regular file: " + file.name);
            file.mode = inode.mode;
            file.dataOffset = inode.offset;
            if (!ReadContents(inode, file.contents)) return Fail(error_ + ": " + file.name);
            image_.entries.push_back(std::move(file));
            at += kInodeSize + nameBytes;
        }
        return true;
    }

    bool ReadContents(const Inode& inode, std::string& contents) {
        if (inode.size == 0) {
            if (inode.offset != 0) return Fail("empty file with data");
            return true;
        }
        const std::uint32_t blocks = BlockCount(inode.size);
        blocksSeen_ += blocks;
        if (inode.offset < kSuperblockSize || !InImage(inode.offset, std::size_t{blocks} * 4))
            return Fail("block table out of range");
        std::size_t blockStart = inode.offset + std::size_t{blocks} * 4;
        std::uint32_t left = inode.size;
        for (std::uint32_t block = 0; block < blocks; ++block) {
            const std::size_t blockEnd = LoadWord(bytes_.data() + inode.offset + block * 4u);
            if (blockEnd < blockStart || blockEnd > bytes_.size()) return Fail("block out of range");
            const std::uint32_t expected = left < kBlockSize ? left : kBlockSize;
            if (!InflateBlock(blockStart, blockEnd - blockStart, expected, contents)) return false;
            left -= expected;
            blockStart = blockEnd;
        }
        return true;
    }

    bool InflateBlock(std::size_t at, std::size_t length, std::uint32_t expected, std::string& contents) {
        std::uint8_t block[kBlockSize];
        uLongf produced = sizeof block;
        const int result = ::uncompress(block, &produced, bytes_.data() + at, static_cast<uLong>(length));
        if (result == Z_BUF_ERROR) return Fail("block inflates past 4096 bytes or is truncated");
        if (result != Z_OK) return Fail("block does not inflate");
        if (produced != expected) return Fail("block inflates to the wrong length");
        contents.append(reinterpret_cast<const char*>(block), produced);
        return true;
    }

    bool CheckCounts() {
        if (image_.files != image_.entries.size() + 1) return Fail("file count does not match the directory");
        if (image_.blocks != blocksSeen_) return Fail("block count does not match the files");
        return true;
    }

    bool InImage(std::size_t at, std::size_t length) const {
        return at <= bytes_.size() && length <= bytes_.size() - at;
    }

    std::span<const std::uint8_t> bytes_;
    CramfsImage& image_;
    std::string& error_;
    std::size_t directoryAt_ = 0;
    std::uint64_t blocksSeen_ = 0;
};

} // namespace

bool ReadCramfsImage(std::span<const std::uint8_t> bytes, CramfsImage& image, std::string& error) {
    image = CramfsImage{};
    error.clear();
    return ImageReader(bytes, image, error).Read();
}

} // namespace tarnwell
