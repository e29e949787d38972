#include "protocol/sha256.h"

#include <gtest/gtest.h>

#include <string>

using namespace tarnwell;

namespace {

std::string HexOf(const std::string& text) { return Sha256Hex(Sha256Of(text.data(), text.size())); }

} // namespace

TEST(Sha256Test, KnownVectors) {
    EXPECT_EQ(HexOf(""), "e3b0c44298fc1c149afbf4c8996fb92427ae41e4649b934ca495991b7852b855");
    EXPECT_EQ(HexOf("abc"), "ba7816bf8f01cfea414140de5dae2223b00361a396177a9cb410ff61f20015ad");
    EXPECT_EQ(HexOf("abcdbcdecdefdefgefghfghighijhijkijkljklmklmnlmnomnopnopq"),
              "248d6a61d20638b8e5c026930c3e6039a33ce45964ff2167f6ecedd419db06c1");
    // 55, 56 and 64 bytes: the padding boundaries.
    EXPECT_EQ(HexOf(std::string(55, 'a')), "9f4390f8d30c2dd92ec9f095b65e2b9ae9b0a925a5258e241c9f1e910f734318");
    EXPECT_EQ(HexOf(std::string(56, 'a')), "b35439a4ac6f0948b6d6f9e3c6af0f5f590ce20f1bde7090ef7970686ec6738a");
    EXPECT_EQ(HexOf(std::string(64, 'a')), "ffe054fe7ae0cb6dc65c3af9b61d5209f439851db43d0ba5997337df154668eb");
}

TEST(Sha256Test, PiecesGiveTheDigestOfTheWhole) {
    std::string million(1000000, 'a');
    Sha256 hash;
    for (size_t at = 0; at < million.size(); at += 997) hash.Update(million.data() + at, std::min<size_t>(997, million.size() - at));
    EXPECT_EQ(Sha256Hex(hash.Finish()), "cdc76e5c9914fb9281a1c7e284d73e67f1809a48a497200e046d39ccc7112cd0");
    // Finish starts over.
    EXPECT_EQ(Sha256Hex(hash.Finish()), HexOf(""));
}
