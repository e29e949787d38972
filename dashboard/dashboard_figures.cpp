#include "dashboard/dashboard_figures.h"

#include "journal/journal_export.h"
#include "journal/mac_number.h"

#include <ctime>
#include <regex>

namespace tarnwell::dashboard {
namespace {

using nlohmann::json;

json Message(const JournalMessage& message) { return {{"chinese", message.chinese}, {"english", message.english}}; }

json OptionalMac(const std::optional<uint64_t>& mac) { return mac ? json(FormatMacNumber(*mac)) : json(nullptr); }

json Unit(const UnitRecord& unit) { return UnitAsJson(unit); }

// "2026-12-09T08:00" as the journal writes it: 'T' between date and time.
std::string Normalised(std::string text) {
    if (text.size() > 10) text[10] = 'T';
    return text;
}

} // namespace

bool IsJournalTime(const std::string& text) {
    static const std::regex form(R"(\d{4}-\d{2}-\d{2}([T ]\d{2}(:\d{2}(:\d{2}(\.\d{1,3})?)?)?Z?)?)");
    return text.size() <= 32 && std::regex_match(text, form);
}

std::string LocalMidnightBefore(std::chrono::system_clock::time_point now) {
    std::time_t seconds = std::chrono::system_clock::to_time_t(now);
    std::tm local{};
    localtime_r(&seconds, &local);
    local.tm_hour = local.tm_min = local.tm_sec = 0;
    local.tm_isdst = -1;
    return JournalTimestamp(std::chrono::system_clock::from_time_t(std::mktime(&local)));
}

Window WindowOf(std::chrono::system_clock::time_point now, const std::optional<std::string>& since) {
    Window window;
    window.now = now;
    window.nowText = JournalTimestamp(now);
    window.since = since ? Normalised(*since) : LocalMidnightBefore(now);
    window.hourAgo = JournalTimestamp(now - std::chrono::hours(1));
    return window;
}

json UnitsJson(JournalView& view, const Window& window) {
    json outcomes = json::object();
    int64_t total = 0;
    for (const auto& count : view.Outcomes(window.since)) {
        outcomes[count.outcome] = count.units;
        total += count.units;
    }
    // The three a line always asks about are there even at zero.
    for (const char* outcome : {kOutcomeOk, kOutcomeFailed, kOutcomeRunning})
        if (!outcomes.contains(outcome)) outcomes[outcome] = 0;
    return {{"since", window.since}, {"now", window.nowText}, {"total", total}, {"outcomes", outcomes}};
}

json HoursJson(JournalView& view, const Window& window) {
    json hours = json::array();
    for (const auto& count : view.Hours(window.since))
        hours.push_back({{"hour", count.hour + ":00:00Z"},
                         {"station", count.station},
                         {"outcome", count.outcome},
                         {"units", count.units}});
    return {{"since", window.since}, {"now", window.nowText}, {"hours", hours}};
}

json FailureKindsJson(JournalView& view, const Window& window) {
    json kinds = json::array();
    for (const auto& kind : view.FailureKinds(window.since))
        kinds.push_back(
            {{"step", kind.step}, {"result", kind.result}, {"message", Message(kind.kind)}, {"steps", kind.steps}});
    return {{"since", window.since}, {"now", window.nowText}, {"failure_kinds", kinds}};
}

json PoolJson(JournalView& view, const MacPool& pool, const Window& window) {
    const PoolFigures figures = view.Pool(pool, window.hourAgo);
    json runsOut = nullptr;
    if (figures.free && figures.lastHour > 0) {
        const double hours = static_cast<double>(*figures.free) / static_cast<double>(figures.lastHour);
        // Further than a century ahead is no date a line plans by.
        if (hours < 24.0 * 365 * 100)
            runsOut = JournalTimestamp(window.now + std::chrono::duration_cast<std::chrono::system_clock::duration>(
                                                        std::chrono::duration<double, std::ratio<3600>>(hours)));
    }
    return {{"now", window.nowText},
            {"first", OptionalMac(figures.first)},
            {"last", OptionalMac(figures.last)},
            {"highest", OptionalMac(figures.highest)},
            {"used", figures.used},
            {"free", figures.free ? json(*figures.free) : json(nullptr)},
            {"reserved", figures.reserved},
            {"last_hour", figures.lastHour},
            {"runs_out_at", runsOut}};
}

json RecentFailuresJson(JournalView& view, int limit) {
    json failures = json::array();
    for (const auto& failure : view.RecentFailures(limit)) {
        json item = Unit(failure.unit);
        item["step"] = failure.step;
        item["message"] = Message(failure.message);
        failures.push_back(std::move(item));
    }
    return {{"failures", failures}};
}

json HistoryJson(JournalView& view, const std::string& key, int limit) {
    json units = json::array();
    for (const auto& history : view.History(key, limit)) {
        json steps = json::array();
        for (const auto& step : history.steps) {
            json messages = json::array();
            for (const auto& message : step.messages) messages.push_back(Message(message));
            steps.push_back({{"step", step.step},
                             {"started_at", step.startedAt},
                             {"ended_at", step.endedAt},
                             {"result", step.result},
                             {"messages", messages}});
        }
        json item = Unit(history.unit);
        item["steps"] = std::move(steps);
        units.push_back(std::move(item));
    }
    json mac = nullptr;
    if (auto number = ParseMacNumber(key))
        if (auto entry = view.LookupMac(*number))
            mac = {{"mac", FormatMacNumber(entry->mac)},
                   {"state", MacStateName(entry->state)},
                   {"unit", entry->unit},
                   {"station", entry->station},
                   {"updated_at", entry->updatedAt}};
    return {{"key", key}, {"units", units}, {"mac", mac}};
}

json DashboardJson(JournalView& view, const MacPool& pool, const Window& window, int recentLimit) {
    return {{"schema_version", view.SchemaVersion()},
            {"since", window.since},
            {"now", window.nowText},
            {"units", UnitsJson(view, window)},
            {"hours", HoursJson(view, window)["hours"]},
            {"failure_kinds", FailureKindsJson(view, window)["failure_kinds"]},
            {"pool", PoolJson(view, pool, window)},
            {"recent_failures", RecentFailuresJson(view, recentLimit)["failures"]}};
}

} // namespace tarnwell::dashboard
