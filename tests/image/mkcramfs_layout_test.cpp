#include "image/cramfs_layout.h"
#include "image/logo_entry_name.h"
#include "image_test_support.h"

#include <gtest/gtest.h>

namespace tarnwell::test {
namespace {

using namespace cramfs;

std::string Pattern(std::size_t size, char seed) {
    std::string text(size, '\0');
    for (std::size_t i = 0; i < size; ++i) text[i] = static_cast<char>(seed + (i * 7 + i / 13) % 31);
    return text;
}

std::uint32_t WordAt(const std::string& image, std::size_t at) {
    return LoadWord(reinterpret_cast<const std::uint8_t*>(image.data()) + at);
}

Inode InodeAt(const std::string& image, std::size_t at) {
    return LoadInode(reinterpret_cast<const std::uint8_t*>(image.data()) + at);
}

TEST(LogoEntryName, KeepsOnlyTheThreeLogoNamesInLowerCase) {
    EXPECT_EQ(LogoEntryName("C:\\pics\\Logo.BMP"), "bmp_logo.bmp");
    EXPECT_EQ(LogoEntryName("a/BMP_LOGO_MIDDLE.bmp"), "bmp_logo_middle.bmp");
    EXPECT_EQ(LogoEntryName("b\\Bmp_Logo_8ch.BMP"), "bmp_logo_8ch.bmp");
    EXPECT_EQ(LogoEntryName("bmp_logo_8ch.bmp"), "bmp_logo_8ch.bmp");
    // A slash anywhere wins: the backslash after it stays part of the name.
    EXPECT_EQ(LogoEntryName("x\\y/z\\bmp_logo_8ch.bmp"), "bmp_logo.bmp");
    EXPECT_EQ(LogoEntryName("dir/"), "bmp_logo.bmp");
    EXPECT_EQ(LogoEntryName("bmp_logo_middle.bmp.bak"), "bmp_logo.bmp");
}

TEST(MkcramfsLayout, OneSmallFileFillsOneBlockImage) {
    TempDir dir;
    // A folder on Windows, part of the name elsewhere: the entry is named after the last part either way.
    std::filesystem::create_directory(dir.Path() / "pics");
    const std::string input = dir.File("pics\\Logo.BMP");
    const std::string contents = Pattern(1000, 'A');
    WriteFileBytes(input, contents);
    const WriterRun run = RunWriter(dir.File("out.img"), {input});
    ASSERT_EQ(run.result.exitStatus, 0) << run.err;
    ASSERT_TRUE(run.result.imageWritten);
    EXPECT_EQ(run.err, "");

    const std::string image = ReadFileBytes(dir.File("out.img"));
    ASSERT_EQ(image.size(), 4096u);
    EXPECT_EQ(WordAt(image, kMagicAt), kMagic);
    EXPECT_EQ(WordAt(image, kSizeAt), 4096u);
    EXPECT_EQ(WordAt(image, kFlagsAt), 3u);
    EXPECT_EQ(image.substr(kSignatureAt, 16), "Compressed ROMFS");
    EXPECT_EQ(WordAt(image, kBlocksAt), 1u);
    EXPECT_EQ(WordAt(image, kFilesAt), 2u);
    EXPECT_EQ(image.substr(kNameAt, 16), std::string("Compressed\0\0\0\0\0\0", 16));

    const Inode root = InodeAt(image, kRootInodeAt);
    EXPECT_EQ(root.mode, 0x41FFu);
    EXPECT_EQ(root.offset, 76u);
    EXPECT_EQ(root.size, 24u);  // the directory ends at 100

    const Inode entry = InodeAt(image, 76);
    EXPECT_EQ(entry.nameUnits, 3u);
    EXPECT_EQ(entry.size, 1000u);
    EXPECT_EQ(entry.uid, 0u);
    EXPECT_EQ(entry.gid, 0u);
    EXPECT_EQ(entry.offset, 100u);
    EXPECT_EQ(image.substr(88, 12), "bmp_logo.bmp");
    // One table word pointing past the only block, which starts at 104.
    const std::uint32_t blockEnd = WordAt(image, 100);
    EXPECT_GT(blockEnd, 104u);
    EXPECT_EQ(image.find_first_not_of('\0', (blockEnd + 3) / 4 * 4), std::string::npos);

    const CramfsImage read = ReadImageFile(dir.File("out.img"));
    ASSERT_EQ(read.entries.size(), 1u);
    EXPECT_EQ(read.entries[0].contents, contents);

    char crcLine[32];
    std::snprintf(crcLine, sizeof crcLine, "CRC: %x\n", WordAt(image, kCrcAt));
    EXPECT_EQ(run.out.rfind("  bmp_logo.bmp\nDirectory data: 100 bytes\n", 0), 0u) << run.out;
    EXPECT_NE(run.out.find("Everything: 4 kilobytes\nSuper block: 76 bytes\n" + std::string(crcLine)),
              std::string::npos)
        << run.out;
}

TEST(MkcramfsLayout, SortsNamesKeepingArgumentOrderAndPadsNames) {
    TempDir dir;
    std::filesystem::create_directory(dir.Path() / "a");
    std::filesystem::create_directory(dir.Path() / "b");  // used on Windows only
    const std::vector<std::string> inputs{dir.File("a/BMP_LOGO_MIDDLE.bmp"), dir.File("b\\bmp_logo.bmp"),
                                          dir.File("c.bmp"), dir.File("BMP_LOGO_8CH.bmp")};
    for (std::size_t i = 0; i < inputs.size(); ++i) WriteFileBytes(inputs[i], Pattern(100 + i, 'a' + i));
    ASSERT_EQ(RunWriter(dir.File("out.img"), inputs).result.exitStatus, 0);

    const std::string image = ReadFileBytes(dir.File("out.img"));
    EXPECT_EQ(WordAt(image, kFilesAt), 5u);
    const CramfsImage read = ReadImageFile(dir.File("out.img"));
    ASSERT_EQ(read.entries.size(), 4u);
    const char* names[] = {"bmp_logo.bmp", "bmp_logo.bmp", "bmp_logo_8ch.bmp", "bmp_logo_middle.bmp"};
    const std::size_t from[] = {1, 2, 3, 0};
    for (std::size_t i = 0; i < 4; ++i) {
        EXPECT_EQ(read.entries[i].name, names[i]);
        EXPECT_EQ(read.entries[i].contents, Pattern(100 + from[i], 'a' + from[i]));
    }
    // 12 + 12, 12 + 12, 12 + 16 (no padding), 12 + 20 (one zero byte)
    EXPECT_EQ(read.directorySize, 24u + 24u + 28u + 32u);
    const std::size_t eightCh = 76 + 48, middle = eightCh + 28;
    EXPECT_EQ(InodeAt(image, eightCh).nameUnits, 4u);
    EXPECT_EQ(InodeAt(image, middle).nameUnits, 5u);
    EXPECT_EQ(image.substr(middle + 12, 20), std::string("bmp_logo_middle.bmp\0", 20));
}

TEST(MkcramfsLayout, BlockTablesFollowFileSizes) {
    TempDir dir;
    const std::vector<std::string> inputs{dir.File("empty.bmp"), dir.File("bmp_logo_8ch.bmp"),
                                          dir.File("bmp_logo_middle.bmp")};
    WriteFileBytes(inputs[0], "");
    WriteFileBytes(inputs[1], Pattern(4096, '0'));
    WriteFileBytes(inputs[2], Pattern(4097, '5'));
    ASSERT_EQ(RunWriter(dir.File("out.img"), inputs).result.exitStatus, 0);

    const std::string image = ReadFileBytes(dir.File("out.img"));
    EXPECT_EQ(WordAt(image, kBlocksAt), 3u);
    const Inode empty = InodeAt(image, 76);
    EXPECT_EQ(empty.size, 0u);
    EXPECT_EQ(empty.offset, 0u);

    const Inode full = InodeAt(image, 76 + 24);
    const Inode over = InodeAt(image, 76 + 24 + 28);
    const std::size_t directoryEnd = 76 + 24 + 28 + 32;
    EXPECT_EQ(full.offset, directoryEnd);
    // One table word, then the next file starts at its block's end, aligned.
    EXPECT_EQ(over.offset, (WordAt(image, full.offset) + 3) / 4 * 4);
    // Two table words; the second block holds a single byte.
    const std::uint32_t first = WordAt(image, over.offset), second = WordAt(image, over.offset + 4);
    EXPECT_GT(first, over.offset + 8);
    EXPECT_GT(second, first);
    EXPECT_LT(second - first, 16u);

    const CramfsImage read = ReadImageFile(dir.File("out.img"));
    ASSERT_EQ(read.entries.size(), 3u);
    EXPECT_EQ(read.entries[0].contents, "");
    EXPECT_EQ(read.entries[2].contents, Pattern(4097, '5'));
}

TEST(MkcramfsLayout, EachImageCountsOnlyItsOwnFilesAndBlocks) {
    TempDir dir;
    WriteFileBytes(dir.File("one.bmp"), Pattern(9000, 'x'));
    WriteFileBytes(dir.File("two.bmp"), Pattern(10, 'y'));
    for (int round = 0; round < 3; ++round) {
        ASSERT_EQ(RunWriter(dir.File("a.img"), {dir.File("one.bmp"), dir.File("two.bmp")}).result.exitStatus, 0);
        const std::string first = ReadFileBytes(dir.File("a.img"));
        EXPECT_EQ(WordAt(first, kFilesAt), 3u);
        EXPECT_EQ(WordAt(first, kBlocksAt), 4u);
        ASSERT_EQ(RunWriter(dir.File("b.img"), {dir.File("two.bmp")}).result.exitStatus, 0);
        const std::string second = ReadFileBytes(dir.File("b.img"));
        EXPECT_EQ(WordAt(second, kFilesAt), 2u);
        EXPECT_EQ(WordAt(second, kBlocksAt), 1u);
    }
}

} // namespace
} // namespace tarnwell::test
