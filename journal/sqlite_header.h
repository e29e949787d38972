#pragma once
// The first 100 bytes of a SQLite file, read as plain bytes before SQLite
// itself opens the file: a refused file is then never touched, not even
// switched to WAL, and no -wal or -shm file appears beside it.
#include <cstddef>
#include <cstdint>
#include <optional>

namespace tarnwell {

// "Trnw" in the header's application id marks a Tarnwell journal.
inline constexpr uint32_t kJournalApplicationId = 0x54726E77;
inline constexpr size_t kSqliteHeaderSize = 100;

struct SqliteHeader {
    uint32_t applicationId = 0;
    uint32_t userVersion = 0; // the journal's schema version
};

// Nothing when the bytes do not start with a SQLite header.
std::optional<SqliteHeader> ParseSqliteHeader(const uint8_t* bytes, size_t size);

} // namespace tarnwell
