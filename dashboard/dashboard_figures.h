#pragma once
// The web view's figures as JSON, one function per endpoint of its API (the
// README lists them). Times are UTC in the journal's form; hours are the
// start of a UTC hour ("2026-12-09T08:00:00Z"), so a browser shows them in
// the line's own time zone.
#include "journal/journal_view.h"

#include <nlohmann/json.hpp>

#include <chrono>
#include <optional>
#include <string>

namespace tarnwell::dashboard {

// The moments a request is about: its window starts at `since` (by default
// the last local midnight, "today"), and the pool's pace is measured over
// the hour before `now`.
struct Window {
    std::chrono::system_clock::time_point now;
    std::string since;
    std::string nowText;
    std::string hourAgo;
};
// `since`: a time such as 2026-12-09T08:00 (UTC), or nothing for today.
Window WindowOf(std::chrono::system_clock::time_point now, const std::optional<std::string>& since);
// The last midnight of this computer's time zone before `now`, in UTC.
std::string LocalMidnightBefore(std::chrono::system_clock::time_point now);
// A time of the form 2026-12-09, 2026-12-09T08:00, ... 2026-12-09T08:00:00.000Z.
bool IsJournalTime(const std::string& text);

nlohmann::json UnitsJson(JournalView& view, const Window& window);
nlohmann::json HoursJson(JournalView& view, const Window& window);
nlohmann::json FailureKindsJson(JournalView& view, const Window& window);
nlohmann::json PoolJson(JournalView& view, const MacPool& pool, const Window& window);
nlohmann::json RecentFailuresJson(JournalView& view, int limit);
// Every unit that got the MAC or carries the serial, with its steps, and
// what the journal holds of the MAC itself.
nlohmann::json HistoryJson(JournalView& view, const std::string& key, int limit);
// All of the above but the history, in one snapshot: what the page shows.
nlohmann::json DashboardJson(JournalView& view, const MacPool& pool, const Window& window, int recentLimit);

} // namespace tarnwell::dashboard
