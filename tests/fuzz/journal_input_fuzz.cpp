// Any text as a journal location, an export's --since time or the station's
// memory file, and any bytes as a SQLite file's header: the parsers stay
// inside their input, and what they accept reads back the same.
#include "journal/journal_error.h"
#include "journal/journal_location.h"
#include "journal/rfc3339_time.h"
#include "journal/sqlite_header.h"
#include "journal/station_memory.h"

#include <cstdint>
#include <cstdlib>
#include <string>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    using namespace tarnwell;
    const std::string text(reinterpret_cast<const char*>(data), size);

    try {
        const JournalLocation location = ParseJournalLocation(text);
        if (location.kind == JournalLocation::Kind::Postgres && location.text.rfind("postgres", 0) != 0) std::abort();
        if (location.text.empty() || location.place.empty()) std::abort();
    } catch (const JournalError& error) {
        if (error.Fault() != JournalFault::BadLocation) std::abort();
    }

    if (auto stamp = JournalTimeFromRfc3339(text)) {
        if (stamp->size() != 24 || JournalTimeFromRfc3339(*stamp) != stamp) std::abort();
    }

    const StationMemoryEntries entries = ParseStationMemory(text);
    const StationMemoryEntries again = ParseStationMemory(FormatStationMemory(entries));
    if (again.size() != entries.size()) std::abort();
    for (const auto& [place, remembered] : entries) {
        auto found = again.find(place);
        if (found == again.end() || found->second.journalId != remembered.journalId ||
            found->second.highestMac != remembered.highestMac)
            std::abort();
    }

    const auto header = ParseSqliteHeader(data, size);
    if (header && size < kSqliteHeaderSize) std::abort();
    return 0;
}
