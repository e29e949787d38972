// Where the journal lives by default, and the time stamps it records.
#include "journal/journal.h"
#include "platform/user_data_folder.h"

#include <chrono>
#include <filesystem>
#include <ctime>

namespace tarnwell {

std::string DefaultJournalPath() {
    return (std::filesystem::path(UserDataFolder()) / "Tarnwell" / "journal.sqlite3").string();
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
