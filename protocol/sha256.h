#pragma once
// SHA-256 (FIPS 180-4), self-contained so every build of the core, including
// the Windows one, hashes payloads and packages the same way.
#include <array>
#include <cstddef>
#include <cstdint>
#include <string>

namespace tarnwell {

using Sha256Digest = std::array<uint8_t, 32>;

class Sha256 {
public:
    Sha256();
    void Update(const void* data, size_t length);
    // The digest of everything given so far; the object starts over afterwards.
    Sha256Digest Finish();

private:
    void Block(const uint8_t* block);

    std::array<uint32_t, 8> state_;
    std::array<uint8_t, 64> pending_{};
    size_t pendingLength_ = 0;
    uint64_t totalLength_ = 0;
};

Sha256Digest Sha256Of(const void* data, size_t length);
// 64 lower-case hex digits.
std::string Sha256Hex(const Sha256Digest& digest);

} // namespace tarnwell
