// The version record compiled into the program: only the program's own file has one.
#include "platform/version_record.h"

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

} // namespace

size_t VersionRecordSize(const std::string& executablePath) {
    // The record is linked into this program; other files have none.
    if (executablePath.empty() || executablePath != OwnExecutablePathAsAsked()) return 0;
    VersionRecord record = CompiledInRecord();
    size_t size = record.translations.size() * 4;
    for (const auto& [key, value] : record.strings) size += key.size() + value.size() + 2;
    return size;
}

VersionRecord ReadVersionRecord(const std::string& executablePath) {
    return VersionRecordSize(executablePath) == 0 ? VersionRecord{} : CompiledInRecord();
}

} // namespace tarnwell
