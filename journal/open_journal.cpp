// Opening and making journals, where the journal lives by default, and the
// time stamps it records.
#include "journal/journal.h"
#include "journal/journal_back_end.h"
#include "platform/user_data_folder.h"

#include <chrono>
#include <filesystem>
#include <ctime>

namespace tarnwell {

std::string DefaultJournalPath() {
    return (std::filesystem::path(UserDataFolder()) / "Tarnwell" / "journal.sqlite3").string();
}

namespace {

JournalLocation Where(const std::string& location) {
    return ParseJournalLocation(location.empty() ? DefaultJournalPath() : location);
}

void Prepare(SqlJournal& journal, const JournalLocation& where, const JournalOpening& opening) {
    journal.SetReconnectWait(opening.reconnectWait);
    if (!opening.stationMemory.empty())
        journal.KeepStationMemory(StationMemory(opening.stationMemory, where.place), opening.journalChanged);
}

} // namespace

std::unique_ptr<Journal> OpenJournal(const std::string& location, const JournalOpening& opening) {
    const JournalLocation where = Where(location);
    auto journal = OpenSqlJournal(where, JournalOpen::Existing);
    Prepare(*journal, where, opening);
    return journal;
}

std::unique_ptr<Journal> CreateJournal(const std::string& location, const JournalOpening& opening) {
    const JournalLocation where = Where(location);
    if (!opening.stationMemory.empty())
        StationMemory(opening.stationMemory, where.place).RefuseReplacement(opening.journalChanged);
    auto journal = OpenSqlJournal(where, JournalOpen::Create);
    // The new journal is the one this station writes at the place from now on.
    JournalOpening made = opening;
    made.journalChanged = true;
    Prepare(*journal, where, made);
    return journal;
}

bool JournalFileExists(const std::string& location) {
    const JournalLocation where = Where(location);
    std::error_code error;
    return where.kind == JournalLocation::Kind::Sqlite && std::filesystem::exists(where.text, error);
}

std::string JournalTimestamp() { return JournalTimestamp(std::chrono::system_clock::now()); }

std::string JournalTimestamp(std::chrono::system_clock::time_point now) {
    using namespace std::chrono;
    const std::time_t seconds = system_clock::to_time_t(now);
    const auto millis = duration_cast<milliseconds>(now.time_since_epoch()).count() % 1000;
    std::tm utc{};
    gmtime_r(&seconds, &utc);
    char text[64];
    std::snprintf(text, sizeof text, "%04d-%02d-%02dT%02d:%02d:%02d.%03dZ", utc.tm_year + 1900, utc.tm_mon + 1,
                  utc.tm_mday, utc.tm_hour, utc.tm_min, utc.tm_sec, static_cast<int>(millis));
    return text;
}

} // namespace tarnwell
