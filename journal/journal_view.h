#pragma once
// What a line asks of its journal during a shift, read without writing: the
// units of a time window by outcome and by hour and station, the failures by
// step and kind, the MAC pool and its pace, the last failures, and one unit's
// whole history. The line's web view and its JSON API show these figures.
//
// Every statement is served by an index (schema version 3): a journal of a
// million units answers each in milliseconds. `ExplainedStatements` lists
// them for the benchmark, which prints each one's query plan.
#include "journal/journal.h"
#include "journal/sql_connection.h"

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace tarnwell {

// A reader of the journal at `location` (a SQLite path or postgresql://...)
// that cannot write: a SQLite file that does not exist is not created.
// Throws JournalError.
std::unique_ptr<SqlConnection> OpenJournalReader(const std::string& location);

struct OutcomeCount {
    std::string outcome; // "ok", "failed", "running", or whatever else a unit ended with
    int64_t units = 0;
};

struct HourCount {
    std::string hour; // UTC, "2026-12-09T08": a unit counts in the hour it ended (started, while running)
    std::string station;
    std::string outcome;
    int64_t units = 0;
};

// Steps of one name and result (anything but ok) that showed the same first message.
struct FailureKindCount {
    std::string step;
    std::string result;
    JournalMessage kind; // the first message the step showed; empty texts when it showed none
    int64_t steps = 0;
};

struct RecentFailure {
    UnitRecord unit;
    std::string step;        // the first failed step, "" when none was recorded
    JournalMessage message;  // that step's first message
};

struct UnitHistory {
    UnitRecord unit;
    std::vector<StepRecord> steps;
};

struct PoolFigures {
    std::optional<uint64_t> first, last; // the pool's bounds, or the lowest address handed out when unset
    std::optional<uint64_t> highest;     // the highest address of the pool handed out
    uint64_t used = 0;                   // addresses from the first up to the highest
    std::optional<uint64_t> free;        // addresses after the highest, when the pool has a last one
    int64_t reserved = 0;                // reservations whose write has not reported back
    int64_t lastHour = 0;                // units that got a MAC in the hour before `now`
};

class JournalView {
public:
    explicit JournalView(SqlConnection& connection) : connection_(connection) {}

    int SchemaVersion();
    // Units started at or after `since` (UTC ISO 8601 text), by outcome.
    std::vector<OutcomeCount> Outcomes(const std::string& since);
    std::vector<HourCount> Hours(const std::string& since);
    std::vector<FailureKindCount> FailureKinds(const std::string& since);
    // `hourAgo`: the moment an hour before now, in the journal's time form.
    PoolFigures Pool(const MacPool& pool, const std::string& hourAgo);
    // The newest failed units first.
    std::vector<RecentFailure> RecentFailures(int limit);
    // Units that got this MAC or carry this serial, oldest first, with their steps.
    std::vector<UnitHistory> History(const std::string& macOrSerial, int limit);
    std::optional<MacEntry> LookupMac(uint64_t mac);

private:
    std::vector<StepRecord> Steps(int64_t unit);
    SqlConnection& connection_;
};

// Each statement the view runs, with example parameters, for EXPLAIN.
struct ExplainedStatement {
    std::string name;
    std::string sql;
    std::vector<SqlValue> parameters;
};
std::vector<ExplainedStatement> ExplainedStatements(const std::string& since, const std::string& hourAgo);

} // namespace tarnwell
