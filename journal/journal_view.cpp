#include "journal/journal_view.h"

#include "journal/journal_rows.h"
#include "journal/mac_number.h"

#include <algorithm>
#include <map>
#include <tuple>

namespace tarnwell {
namespace {

// One text per statement, so the benchmark explains exactly what is run.
const char kOutcomes[] = "SELECT outcome, COUNT(*) FROM units WHERE started_at >= $1 GROUP BY outcome ORDER BY outcome";
// A unit counts in the hour it ended; one still running in the hour it began.
const char kHours[] = "SELECT substr(CASE WHEN ended_at <> '' THEN ended_at ELSE started_at END, 1, 13), station, "
                      "outcome, COUNT(*) FROM units WHERE started_at >= $1 GROUP BY 1, 2, 3 ORDER BY 1, 2, 3";
// Only units that did not end ok can hold a step that did not.
const char kFailureKinds[] = "SELECT s.step, s.result, s.messages, COUNT(*) FROM units u JOIN steps s ON s.unit_id = u.id "
                             "WHERE u.started_at >= $1 AND u.outcome <> 'ok' AND s.result <> 'ok' "
                             "GROUP BY s.step, s.result, s.messages";
const char kPoolHighest[] = "SELECT MAX(mac) FROM macs WHERE mac >= $1 AND mac <= $2";
const char kPoolLowest[] = "SELECT MIN(mac) FROM macs WHERE mac >= $1 AND mac <= $2";
// Reservations are few at any time (one per unit being written), so this
// is a short range of the (state, mac) index.
const char kPoolReserved[] = "SELECT COUNT(*) FROM macs WHERE state = 'reserved' AND mac >= $1 AND mac <= $2";
const char kPoolPace[] = "SELECT COUNT(*) FROM units WHERE started_at >= $1 AND mac <> ''";
const char kRecentFailures[] = "WHERE outcome = 'failed' ORDER BY started_at DESC LIMIT $1";
const char kFirstFailedStep[] =
    "SELECT step, messages FROM steps WHERE unit_id = $1 AND result <> 'ok' ORDER BY id LIMIT 1";
const char kHistory[] = "WHERE serial = $1 OR mac = $2 ORDER BY id LIMIT $3";
const char kSteps[] = "SELECT step, started_at, ended_at, result, messages FROM steps WHERE unit_id = $1 ORDER BY id";
const char kMac[] = "SELECT mac, state, unit_id, station, updated_at FROM macs WHERE mac = $1";

int64_t Count(const std::optional<std::string>& value) { return value ? std::stoll(*value) : 0; }
int64_t Mac(uint64_t mac) { return static_cast<int64_t>(mac); }

JournalMessage FirstMessage(const std::string& json) {
    auto messages = MessagesFromJson(json);
    return messages.empty() ? JournalMessage{} : messages.front();
}

std::string MacKey(const std::string& macOrSerial) {
    auto mac = ParseMacNumber(macOrSerial);
    // "-" is no MAC the journal ever records.
    return mac ? FormatMacNumber(*mac) : std::string("-");
}

} // namespace

int JournalView::SchemaVersion() {
    auto rows = connection_.Query("SELECT version FROM schema_version", {});
    return rows.empty() ? 0 : std::stoi(RowText(rows[0][0]));
}

std::vector<OutcomeCount> JournalView::Outcomes(const std::string& since) {
    std::vector<OutcomeCount> counts;
    for (const auto& row : connection_.Query(kOutcomes, {since})) counts.push_back({RowText(row[0]), Count(row[1])});
    return counts;
}

std::vector<HourCount> JournalView::Hours(const std::string& since) {
    std::vector<HourCount> counts;
    for (const auto& row : connection_.Query(kHours, {since}))
        counts.push_back({RowText(row[0]), RowText(row[1]), RowText(row[2]), Count(row[3])});
    return counts;
}

std::vector<FailureKindCount> JournalView::FailureKinds(const std::string& since) {
    // The same first message with different later ones is the same kind.
    std::map<std::tuple<std::string, std::string, std::string, std::string>, int64_t> kinds;
    for (const auto& row : connection_.Query(kFailureKinds, {since})) {
        JournalMessage first = FirstMessage(RowText(row[2]));
        kinds[{RowText(row[0]), RowText(row[1]), first.english, first.chinese}] += Count(row[3]);
    }
    std::vector<FailureKindCount> counts;
    for (const auto& [key, steps] : kinds)
        counts.push_back({std::get<0>(key), std::get<1>(key), {std::get<3>(key), std::get<2>(key)}, steps});
    std::stable_sort(counts.begin(), counts.end(),
                     [](const FailureKindCount& a, const FailureKindCount& b) { return a.steps > b.steps; });
    return counts;
}

PoolFigures JournalView::Pool(const MacPool& pool, const std::string& hourAgo) {
    PoolFigures figures;
    const uint64_t low = pool.first.value_or(0), high = pool.last.value_or(kLastMacNumber);
    figures.first = pool.first;
    figures.last = pool.last;
    if (low <= high) {
        auto highest = connection_.Query(kPoolHighest, {Mac(low), Mac(high)});
        if (!highest.empty() && highest[0][0]) figures.highest = std::stoull(*highest[0][0]);
        if (!figures.first && figures.highest) {
            auto lowest = connection_.Query(kPoolLowest, {Mac(low), Mac(high)});
            if (!lowest.empty() && lowest[0][0]) figures.first = std::stoull(*lowest[0][0]);
        }
        if (figures.highest && figures.first) figures.used = *figures.highest - *figures.first + 1;
        if (figures.last) figures.free = *figures.last - (figures.highest ? *figures.highest : low - 1);
        auto reserved = connection_.Query(kPoolReserved, {Mac(low), Mac(high)});
        if (!reserved.empty()) figures.reserved = Count(reserved[0][0]);
    } else {
        figures.free = 0;
    }
    auto pace = connection_.Query(kPoolPace, {hourAgo});
    if (!pace.empty()) figures.lastHour = Count(pace[0][0]);
    return figures;
}

std::vector<RecentFailure> JournalView::RecentFailures(int limit) {
    std::vector<RecentFailure> failures;
    for (const auto& row : connection_.Query(std::string(kUnitColumns) + kRecentFailures, {int64_t{limit}})) {
        RecentFailure failure{UnitFromRow(row), {}, {}};
        auto step = connection_.Query(kFirstFailedStep, {failure.unit.id});
        if (!step.empty()) {
            failure.step = RowText(step[0][0]);
            failure.message = FirstMessage(RowText(step[0][1]));
        }
        failures.push_back(std::move(failure));
    }
    return failures;
}

std::vector<StepRecord> JournalView::Steps(int64_t unit) {
    std::vector<StepRecord> steps;
    for (const auto& row : connection_.Query(kSteps, {unit}))
        steps.push_back({RowText(row[0]), RowText(row[1]), RowText(row[2]), RowText(row[3]),
                         MessagesFromJson(RowText(row[4]))});
    return steps;
}

std::vector<UnitHistory> JournalView::History(const std::string& macOrSerial, int limit) {
    std::vector<UnitHistory> history;
    for (const auto& row :
         connection_.Query(std::string(kUnitColumns) + kHistory, {macOrSerial, MacKey(macOrSerial), int64_t{limit}})) {
        UnitHistory unit{UnitFromRow(row), {}};
        unit.steps = Steps(unit.unit.id);
        history.push_back(std::move(unit));
    }
    return history;
}

std::optional<MacEntry> JournalView::LookupMac(uint64_t mac) {
    auto rows = connection_.Query(kMac, {Mac(mac)});
    if (rows.empty()) return std::nullopt;
    return MacFromRow(rows[0]);
}

std::vector<ExplainedStatement> ExplainedStatements(const std::string& since, const std::string& hourAgo) {
    const int64_t low = 0x020000000000ll, high = 0x0200001FFFFFll;
    return {
        {"outcomes", kOutcomes, {since}},
        {"hours", kHours, {since}},
        {"failure kinds", kFailureKinds, {since}},
        {"pool: highest", kPoolHighest, {low, high}},
        {"pool: lowest", kPoolLowest, {low, high}},
        {"pool: reserved", kPoolReserved, {low, high}},
        {"pool: pace", kPoolPace, {hourAgo}},
        {"recent failures", std::string(kUnitColumns) + kRecentFailures, {int64_t{20}}},
        {"recent failures: first failed step", kFirstFailedStep, {int64_t{1}}},
        {"history", std::string(kUnitColumns) + kHistory, {std::string("SN-0000042"), std::string("-"), int64_t{50}}},
        {"history: steps", kSteps, {int64_t{42}}},
        {"history: mac", kMac, {low + 42}},
    };
}

} // namespace tarnwell
