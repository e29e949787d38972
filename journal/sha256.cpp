#include "journal/sha256.h"

#include <array>
#include <cstdio>
#include <memory>

namespace tarnwell {

std::string Sha256Hex(const std::string& bytes) {
    return Sha256Hex(Sha256Of(bytes.data(), bytes.size()));
}

std::optional<std::string> Sha256OfFile(const std::string& path) {
    std::unique_ptr<FILE, int (*)(FILE*)> file(std::fopen(path.c_str(), "rb"), std::fclose);
    if (!file) return std::nullopt;
    Sha256 hash;
    std::array<uint8_t, 65536> chunk;
    size_t got;
    while ((got = std::fread(chunk.data(), 1, chunk.size(), file.get())) > 0) hash.Update(chunk.data(), got);
    if (std::ferror(file.get())) return std::nullopt;
    return Sha256Hex(hash.Finish());
}

} // namespace tarnwell
