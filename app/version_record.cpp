#include "platform/version_record.h"

#include "app/operator_console.h"
#include "platform/shared_library.h"

#include <cstdio>

namespace tarnwell {

// The program asks for its own path in a buffer of 200 bytes.
std::string OwnExecutablePathAsAsked() { return OwnExecutablePath().substr(0, 199); }

std::optional<std::string> QueryVersionString(const VersionRecord& record, const std::string& query) {
    for (const auto& [key, value] : record.strings)
        if (key == query) return value;
    return std::nullopt;
}

std::string FileVersionTextOf(const std::string& executablePath) {
    if (VersionRecordSize(executablePath) == 0) return "None VerSion Supprot";
    VersionRecord record = ReadVersionRecord(executablePath);
    std::string result;
    for (const auto& [language, codePage] : record.translations) {
        char query[64];
        std::snprintf(query, sizeof query, "\\StringFileInfo\\%04x%04x\\FileVersion", language, codePage);
        if (auto value = QueryVersionString(record, query)) result += *value;
    }
    return result;
}

std::string OperatorConsole::GetFileVersionText() { return FileVersionTextOf(OwnExecutablePathAsAsked()); }

} // namespace tarnwell
