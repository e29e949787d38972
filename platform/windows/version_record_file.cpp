// The version resource of an executable file, through the version-information
// services: GetFileVersionInfoSizeA, GetFileVersionInfoA and VerQueryValueA.
#include "platform/version_record.h"

#include <windows.h>

#include <cstdio>
#include <vector>

namespace tarnwell {

namespace {

// The string values the program reads of each translation.
constexpr const char* kStringNames[] = {"FileVersion", "ProductName"};

} // namespace

size_t VersionRecordSize(const std::string& executablePath) {
    DWORD ignored = 0;
    return ::GetFileVersionInfoSizeA(executablePath.c_str(), &ignored);
}

VersionRecord ReadVersionRecord(const std::string& executablePath) {
    VersionRecord record;
    const size_t size = VersionRecordSize(executablePath);
    if (size == 0) return record;
    std::vector<unsigned char> block(size);
    if (!::GetFileVersionInfoA(executablePath.c_str(), 0, static_cast<DWORD>(size), block.data())) return record;
    void* pairs = nullptr;
    UINT pairsLength = 0;
    if (!::VerQueryValueA(block.data(), "\\VarFileInfo\\Translation", &pairs, &pairsLength)) return record;
    const auto* words = static_cast<const WORD*>(pairs);
    for (UINT i = 0; i + 1 < pairsLength / sizeof(WORD); i += 2) {
        const uint16_t language = words[i], codePage = words[i + 1];
        record.translations.emplace_back(language, codePage);
        for (const char* name : kStringNames) {
            char query[64];
            std::snprintf(query, sizeof query, "\\StringFileInfo\\%04x%04x\\%s", language, codePage, name);
            void* value = nullptr;
            UINT length = 0;
            if (::VerQueryValueA(block.data(), query, &value, &length) && value != nullptr && length > 0)
                record.strings.emplace_back(query, static_cast<const char*>(value));
        }
    }
    return record;
}

} // namespace tarnwell
