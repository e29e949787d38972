#include "journal/sqlite_header.h"

#include <cstring>

namespace tarnwell {
namespace {

uint32_t BigEndian32(const uint8_t* bytes) {
    return uint32_t{bytes[0]} << 24 | uint32_t{bytes[1]} << 16 | uint32_t{bytes[2]} << 8 | uint32_t{bytes[3]};
}

} // namespace

std::optional<SqliteHeader> ParseSqliteHeader(const uint8_t* bytes, size_t size) {
    static const char kMagic[] = "SQLite format 3"; // with its NUL: 16 bytes
    if (bytes == nullptr || size < kSqliteHeaderSize || std::memcmp(bytes, kMagic, sizeof kMagic) != 0)
        return std::nullopt;
    SqliteHeader header;
    header.userVersion = BigEndian32(bytes + 60);
    header.applicationId = BigEndian32(bytes + 68);
    return header;
}

} // namespace tarnwell
