#include "image/cramfs_layout.h"
#include "image_test_support.h"

#include <gtest/gtest.h>
#include <zlib.h>

namespace tarnwell::test {
namespace {

using namespace cramfs;

class CramfsReader : public ::testing::Test {
protected:
    void SetUp() override {
        WriteFileBytes(dir_.File("bmp_logo_8ch.bmp"), std::string(5000, 'q'));
        ASSERT_TRUE(RunWriter(dir_.File("out.img"), {dir_.File("bmp_logo_8ch.bmp")}).result.imageWritten);
        image_ = AsBytes(ReadFileBytes(dir_.File("out.img")));
        fileAt_ = LoadInode(image_.data() + kSuperblockSize).offset;
    }

    // Changes a word and mends the CRC, so only the damage itself is seen.
    void Damage(std::size_t at, std::uint32_t value) {
        StoreWord(image_.data() + at, value);
        StoreWord(image_.data() + kCrcAt, 0);
        StoreWord(image_.data() + kCrcAt, static_cast<std::uint32_t>(crc32(0, image_.data(), image_.size())));
    }

    std::string Error() {
        CramfsImage image;
        std::string error;
        EXPECT_FALSE(ReadCramfsImage(image_, image, error));
        return error;
    }

    TempDir dir_;
    std::vector<std::uint8_t> image_;
    std::size_t fileAt_ = 0;
};

TEST_F(CramfsReader, ReadsWhatTheWriterWrote) {
    CramfsImage image;
    std::string error;
    ASSERT_TRUE(ReadCramfsImage(image_, image, error)) << error;
    ASSERT_EQ(image.entries.size(), 1u);
    EXPECT_EQ(image.entries[0].name, "bmp_logo_8ch.bmp");
    EXPECT_EQ(image.entries[0].contents, std::string(5000, 'q'));
    EXPECT_EQ(image.blocks, 2u);
}

TEST_F(CramfsReader, RejectsDamage) {
    image_[200] ^= 1;
    EXPECT_EQ(Error(), "CRC mismatch");
    image_.resize(2048);
    EXPECT_EQ(Error(), "size field out of range");
}

TEST_F(CramfsReader, RejectsOffsetsOutsideTheImage) {
    Damage(fileAt_, 0xFFFFFFF0);
    EXPECT_NE(Error().find("block out of range"), std::string::npos);
    SetUp();
    Damage(kRootInodeAt + 4, 0xFFFFFF);  // directory size past the end
    EXPECT_EQ(Error(), "root directory out of range");
    SetUp();
    Damage(kSuperblockSize + 8, LoadWord(image_.data() + kSuperblockSize + 8) | 0x3F);  // name past the directory
    EXPECT_EQ(Error(), "name out of range");
}

TEST_F(CramfsReader, RejectsBlocksThatInflateWrongly) {
    // A stream of 5000 bytes where one block of at most 4096 belongs.
    std::string big(5000, 'z');
    uLongf length = 8192;
    std::vector<std::uint8_t> stream(length);
    ASSERT_EQ(compress(stream.data(), &length, reinterpret_cast<const Bytef*>(big.data()), big.size()), Z_OK);
    const std::size_t blockAt = fileAt_ + 8;
    std::copy(stream.begin(), stream.begin() + length, image_.begin() + blockAt);
    Damage(fileAt_, static_cast<std::uint32_t>(blockAt + length));
    EXPECT_NE(Error().find("past 4096"), std::string::npos);
}

TEST_F(CramfsReader, RejectsEntriesOtherThanRegularFiles) {
    const std::uint32_t word0 = LoadWord(image_.data() + kSuperblockSize);
    Damage(kSuperblockSize, (word0 & 0xFFFF0000u) | 0x21B6);  // a character device
    EXPECT_NE(Error().find("not a regular file"), std::string::npos);
}

} // namespace
} // namespace tarnwell::test
