#pragma once
// Writes tar archives byte by byte, including the odd ones a standard tar
// tool will not make: names filling the whole name field, names with a
// leading '/', size fields with any bytes, missing magic, no end blocks.
#include <optional>
#include <string>
#include <utility>
#include <vector>

namespace tarnwell::test {

struct UstarMember {
    UstarMember(std::string name, std::string data, std::optional<std::string> rawSize = std::nullopt)
        : name(std::move(name)), data(std::move(data)), rawSize(std::move(rawSize)) {}

    std::string name;                    // up to 100 bytes; 100 leaves no NUL
    std::string data;
    std::optional<std::string> rawSize;  // up to 12 bytes written as the size field
};

enum class TarMagic { Posix, Gnu, None };

struct UstarOptions {
    TarMagic magic = TarMagic::Posix;
    bool endBlocks = true;  // the two zero blocks that close an archive
};

// One 512-byte header (checksum included) and the data padded to 512 bytes
// per member, then the end blocks.
std::string MakeUstarArchive(const std::vector<UstarMember>& members, const UstarOptions& options = {});

} // namespace tarnwell::test
