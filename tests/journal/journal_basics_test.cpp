// The digest of a firmware package and the number form of a MAC address.
#include "journal/mac_number.h"
#include "journal/sha256.h"
#include "support/temp_dir.h"

#include <gtest/gtest.h>

namespace tarnwell::test {
namespace {

TEST(Sha256Test, KnownVectors) {
    EXPECT_EQ(Sha256Hex(""), "e3b0c44298fc1c149afbf4c8996fb92427ae41e4649b934ca495991b7852b855");
    EXPECT_EQ(Sha256Hex("abc"), "ba7816bf8f01cfea414140de5dae2223b00361a396177a9cb410ff61f20015ad");
    // 56 bytes: the length no longer fits the first padded block.
    EXPECT_EQ(Sha256Hex("abcdbcdecdefdefgefghfghighijhijkijkljklmklmnlmnomnopnopq"),
              "248d6a61d20638b8e5c026930c3e6039a33ce45964ff2167f6ecedd419db06c1");
    EXPECT_EQ(Sha256Hex(std::string(1000000, 'a')),
              "cdc76e5c9914fb9281a1c7e284d73e67f1809a48a497200e046d39ccc7112cd0");
}

TEST(Sha256Test, FileDigestMatchesAcrossChunksAndMissingFileHasNone) {
    TempDir folder;
    std::string bytes(200000, '\0');
    for (size_t i = 0; i < bytes.size(); ++i) bytes[i] = static_cast<char>(i * 31);
    WriteFileBytes(folder.File("package.tar"), bytes);
    EXPECT_EQ(Sha256OfFile(folder.File("package.tar")), Sha256Hex(bytes));
    EXPECT_FALSE(Sha256OfFile(folder.File("missing.tar")));
}

TEST(MacNumberTest, OperatorFormsMeetInOneNumber) {
    EXPECT_EQ(ParseMacNumber("0:1a:2B:3:4:5"), 0x001A2B030405ull);
    EXPECT_EQ(ParseMacNumber("::00:1A:2B:03:04:05:"), 0x001A2B030405ull);
    EXPECT_EQ(FormatMacNumber(0x001A2B030405ull), "00:1A:2B:03:04:05");
    EXPECT_EQ(ParseMacNumber("FF:FF:FF:FF:FF:FF"), kLastMacNumber);
    for (const char* bad : {"", "00:11:22:33:44", "zz:11:22:33:44:55", "001:11:22:33:44:55", "SN-0001"})
        EXPECT_FALSE(ParseMacNumber(bad)) << bad;
}

} // namespace
} // namespace tarnwell::test
