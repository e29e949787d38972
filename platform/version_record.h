#pragma once
// The program's version information record: a list of (language, code page)
// translations and a string table per translation, queried by path as a
// Windows version resource is. Windows reads the program's version resource;
// elsewhere the record is compiled in.
#include <cstdint>
#include <optional>
#include <string>
#include <utility>
#include <vector>

namespace tarnwell {

struct VersionRecord {
    std::vector<std::pair<uint16_t, uint16_t>> translations;
    // "\\StringFileInfo\\<lang><codepage>\\<Name>" -> value
    std::vector<std::pair<std::string, std::string>> strings;
};

// The record of the executable at `path`; an empty record (size 0) when it has none.
size_t VersionRecordSize(const std::string& executablePath);
VersionRecord ReadVersionRecord(const std::string& executablePath);
std::optional<std::string> QueryVersionString(const VersionRecord& record, const std::string& query);
// This program's path as the console asks for it, in a buffer of 200 bytes.
std::string OwnExecutablePathAsAsked();
// The FileVersion of every translation, concatenated; "None VerSion Supprot" without a record.
std::string FileVersionTextOf(const std::string& executablePath);

} // namespace tarnwell
