// Packages and pictures past 4 GiB: sizes and offsets must not be cut to 32 bits.
#include "platform/read_only_file.h"
#include "protocol/file_size.h"

#include "support/temp_dir.h"

#include <gtest/gtest.h>

#include <filesystem>

using namespace tarnwell;

TEST(LargeFile, SizeAndReadsReachPastFourGibibytes) {
    test::TempDir dir;
    const std::string path = dir.File("large.tar");
    constexpr std::uint64_t kFourGiB = 0x100000000ULL;
    test::WriteFileBytes(path, "");
    std::error_code error;
    // Sparse where the file system allows it, so nothing is really written.
    std::filesystem::resize_file(path, kFourGiB + 8, error);
    if (error) GTEST_SKIP() << "no room for a sparse 4 GiB file: " << error.message();
    EXPECT_EQ(FileSizeOf(path), kFourGiB + 8);

    ReadOnlyFile reader;
    ASSERT_TRUE(reader.Open(path));
    char bytes[16];
    EXPECT_EQ(reader.ReadAt(kFourGiB + 4, bytes, sizeof bytes), 4u) << "four bytes are left past that offset";
    EXPECT_EQ(reader.ReadAt(kFourGiB + 8, bytes, sizeof bytes), 0u);
    std::filesystem::remove(path, error);
}
