#include "app/version_record.h"

#include "app/operator_console.h"

#include <climits>
#include <cstdio>
#include <unistd.h>

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

std::string OwnExecutablePath() {
    char path[200] = {};
    ssize_t length = ::readlink("/proc/self/exe", path, sizeof path - 1);
    return length > 0 ? std::string(path, static_cast<size_t>(length)) : std::string();
}

} // namespace

size_t VersionRecordSize(const std::string& executablePath) {
    // The record is linked into this program; other files have none.
    if (executablePath.empty() || executablePath != OwnExecutablePath()) return 0;
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

std::string OperatorConsole::GetFileVersionText() { return FileVersionTextOf(OwnExecutablePath()); }

} // namespace tarnwell
