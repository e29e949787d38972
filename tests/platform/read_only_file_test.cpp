#include "platform/read_only_file.h"

#include "support/temp_dir.h"

#include <gtest/gtest.h>

using namespace tarnwell;

TEST(ReadOnlyFile, ReadsBytesUnchangedAtAnyOffset) {
    test::TempDir dir;
    // Line ends and the old end-of-file byte must come through as they are.
    const std::string bytes = std::string("ab\r\ncd\n\x1a", 8) + std::string(1, '\0') + "tail";
    test::WriteFileBytes(dir.File("member.bin"), bytes);
    ReadOnlyFile file;
    ASSERT_TRUE(file.Open(dir.File("member.bin")));
    char buffer[32] = {};
    EXPECT_EQ(file.ReadAt(0, buffer, bytes.size()), bytes.size());
    EXPECT_EQ(std::string(buffer, bytes.size()), bytes);
    EXPECT_EQ(file.ReadAt(9, buffer, 4), 4u);
    EXPECT_EQ(std::string(buffer, 4), "tail");
    // Past the end: what there is, then nothing.
    EXPECT_EQ(file.ReadAt(11, buffer, 10), 2u);
    EXPECT_EQ(file.ReadAt(100, buffer, 10), 0u);
}

TEST(ReadOnlyFile, FoldersAndMissingFilesDoNotOpen) {
    test::TempDir dir;
    ReadOnlyFile file;
    EXPECT_FALSE(file.Open(dir.Path().string()));
    EXPECT_FALSE(file.Open((dir.Path() / "missing.tar").string()));
    EXPECT_FALSE(file.IsOpen());
    char byte;
    EXPECT_EQ(file.ReadAt(0, &byte, 1), 0u);
}
