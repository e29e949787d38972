#include "app/version_record.h"

#include "app/operator_console.h"
#include "platform/shared_library.h"

#include <cstdio>

namespace tarnwell {

namespace {

// The one record this program carries: Chinese (PRC), Unicode code page.
VersionRecord CompiledInRecord() {
    VersionRecord record;
    record.translations = {{0x0804, 0x04b0}};
    record.strings = {{"\\StringFileInfo\\080404b0\\FileVersion", "2, 0, 0, 10"},
                      {"\\StringFileInfo\\080404b0\\ProductName", "Tarnwell"}};
    return record;
}

// The program asks for its own path in a buffer of 200 bytes.
std::string OwnPathAsAsked() { return OwnExecutablePath().substr(0, 199); }

} // namespace

size_t VersionRecordSize(const std::string& executablePath) {
    // The record is linked into this program; other files have none.
    if (executablePath.empty() || executablePath != OwnPathAsAsked()) return 0;
    VersionRecord record = CompiledInRecord();
    size_t size = record.translations.size() * 4;
    for (const auto& [key, value] : record.strings) size += key.size() + value.size() + 2;
    return size;
}

VersionRecord ReadVersionRecord(const std::string& executablePath) {
    return VersionRecordSize(executablePath) == 0 ? VersionRecord{} : CompiledInRecord();
}

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

std::string OperatorConsole::GetFileVersionText() { return FileVersionTextOf(OwnPathAsAsked()); }

} // namespace tarnwell
