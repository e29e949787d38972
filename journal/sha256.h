#pragma once
// SHA-256, so the journal can name the exact firmware package a unit received.
#include <array>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>

namespace tarnwell {

class Sha256 {
public:
    Sha256();
    void Update(const uint8_t* data, size_t length);
    std::array<uint8_t, 32> Finish();

private:
    void Compress(const uint8_t* block);
    std::array<uint32_t, 8> state_;
    std::array<uint8_t, 64> buffer_{};
    size_t buffered_ = 0;
    uint64_t totalBytes_ = 0;
};

// Lower-case hex of the digest.
std::string Sha256Hex(const std::string& bytes);
// The file's digest in lower-case hex; nothing when it cannot be read to its end.
std::optional<std::string> Sha256OfFile(const std::string& path);

} // namespace tarnwell
