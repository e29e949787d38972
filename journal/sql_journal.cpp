#include "journal/sql_journal.h"

#include "journal/journal_rows.h"
#include "journal/journal_schema.h"
#include "journal/mac_number.h"

#include <nlohmann/json.hpp>

namespace tarnwell {
namespace {

using Write = SqlConnection::Write;

std::string Text(const std::optional<std::string>& value) { return RowText(value); }

int64_t Mac(uint64_t mac) { return static_cast<int64_t>(mac); }

} // namespace

std::optional<MacReservation::Verdict> PoolRefusal(uint64_t mac, const MacPool& pool) {
    if (pool.last && mac > *pool.last) return MacReservation::Verdict::PoolExhausted;
    if (pool.first && mac < *pool.first) return MacReservation::Verdict::OutsidePool;
    return std::nullopt;
}

const char* MacStateName(MacState state) {
    switch (state) {
    case MacState::Reserved: return "reserved";
    case MacState::Written: return "written";
    case MacState::Failed: return "failed";
    case MacState::Released: return "released";
    }
    return "reserved";
}

SqlJournal::SqlJournal(std::unique_ptr<SqlConnection> connection, int targetVersion)
    : connection_(std::move(connection)) {
    MigrateJournal(*connection_, targetVersion);
}

template <class Work> auto SqlJournal::InTransaction(Write kind, Work work) {
    std::lock_guard lock(mutex_);
    connection_->Begin(kind);
    try {
        if constexpr (std::is_void_v<decltype(work())>) {
            work();
            connection_->Commit();
        } else {
            auto result = work();
            connection_->Commit();
            return result;
        }
    } catch (...) {
        connection_->Rollback();
        throw;
    }
}

int64_t SqlJournal::BeginUnit(const UnitStart& unit) {
    return InTransaction(Write::Record, [&] {
        auto rows = connection_->Query(
            "INSERT INTO units (station, started_at, address, serial, package_path, package_sha256, outcome) "
            "VALUES ($1, $2, $3, $4, $5, $6, $7) RETURNING id",
            {unit.station, JournalTimestamp(), unit.address, unit.serial, unit.packagePath, unit.packageSha256,
             std::string(kOutcomeRunning)});
        return std::stoll(Text(rows.at(0).at(0)));
    });
}

void SqlJournal::SetUnitPackage(int64_t unit, const std::string& path, const std::string& sha256) {
    InTransaction(Write::Record, [&] {
        connection_->Query("UPDATE units SET package_path = $1, package_sha256 = $2 WHERE id = $3",
                           {path, sha256, unit});
    });
}

void SqlJournal::FinishUnit(int64_t unit, const std::string& outcome) {
    InTransaction(Write::Record, [&] {
        connection_->Query("UPDATE units SET ended_at = $1, outcome = $2 WHERE id = $3",
                           {JournalTimestamp(), outcome, unit});
    });
}

void SqlJournal::RecordStep(int64_t unit, const StepRecord& step) {
    InTransaction(Write::Record, [&] {
        connection_->Query("INSERT INTO steps (unit_id, step, started_at, ended_at, result, messages) "
                           "VALUES ($1, $2, $3, $4, $5, $6)",
                           {unit, step.step, step.startedAt, step.endedAt, step.result, MessagesJson(step.messages)});
    });
}

void SqlJournal::Reserve(uint64_t mac, int64_t unit, bool rowExists) {
    const std::string now = JournalTimestamp();
    if (rowExists)
        connection_->Query("UPDATE macs SET state = 'reserved', unit_id = $2, updated_at = $3, "
                           "station = (SELECT station FROM units WHERE id = $2) WHERE mac = $1",
                           {Mac(mac), unit, now});
    else
        connection_->Query("INSERT INTO macs (mac, state, unit_id, station, updated_at) "
                           "SELECT CAST($1 AS BIGINT), 'reserved', id, station, $3 FROM units WHERE id = $2",
                           {Mac(mac), unit, now});
    auto named = connection_->Query("UPDATE units SET mac = $1 WHERE id = $2 RETURNING id",
                                    {FormatMacNumber(mac), unit});
    if (named.empty()) throw JournalError(JournalFault::Failed, "no unit " + std::to_string(unit) + " in the journal");
}

MacReservation SqlJournal::ReserveMac(uint64_t mac, int64_t unit, const MacPool& pool) {
    using Verdict = MacReservation::Verdict;
    if (auto refusal = PoolRefusal(mac, pool)) return {*refusal, mac, 0};
    return InTransaction(Write::MacAllocation, [&]() -> MacReservation {
        auto rows = connection_->Query("SELECT state, unit_id FROM macs WHERE mac = $1", {Mac(mac)});
        if (!rows.empty()) {
            const std::string state = Text(rows[0][0]);
            const int64_t holder = rows[0][1] ? std::stoll(*rows[0][1]) : 0;
            if (state == MacStateName(MacState::Written)) return {Verdict::AlreadyWritten, mac, holder};
            if (state == MacStateName(MacState::Reserved) && holder != unit) return {Verdict::OutcomeUnknown, mac, holder};
        }
        Reserve(mac, unit, !rows.empty());
        return {Verdict::Reserved, mac, unit};
    });
}

MacReservation SqlJournal::ReserveNextMac(int64_t unit, const MacPool& pool) {
    using Verdict = MacReservation::Verdict;
    if (!pool.first) throw JournalError(JournalFault::Failed, "a MAC pool needs its first address");
    const uint64_t first = *pool.first, last = pool.last.value_or(kLastMacNumber);
    if (first > last) return {Verdict::PoolExhausted, first, 0};
    return InTransaction(Write::MacAllocation, [&]() -> MacReservation {
        auto rows = connection_->Query("SELECT MAX(mac) FROM macs WHERE mac >= $1 AND mac <= $2",
                                       {Mac(first), Mac(last)});
        uint64_t next = first;
        if (!rows.empty() && rows[0][0]) next = std::stoull(*rows[0][0]) + 1;
        if (next > last) return {Verdict::PoolExhausted, last, 0};
        Reserve(next, unit, false);
        return {Verdict::Reserved, next, unit};
    });
}

void SqlJournal::SetMacOutcome(uint64_t mac, int64_t unit, MacState outcome) {
    InTransaction(Write::MacAllocation, [&] {
        // What reached the device is recorded whatever happened to the
        // reservation meanwhile; a failure only ends the unit's own one.
        auto changed =
            outcome == MacState::Written
                ? connection_->Query("UPDATE macs SET state = 'written', unit_id = $2, updated_at = $3 "
                                     "WHERE mac = $1 RETURNING mac",
                                     {Mac(mac), unit, JournalTimestamp()})
                : connection_->Query("UPDATE macs SET state = $4, updated_at = $3 "
                                     "WHERE mac = $1 AND unit_id = $2 AND state = 'reserved' RETURNING mac",
                                     {Mac(mac), unit, JournalTimestamp(), std::string(MacStateName(outcome))});
        if (changed.empty() && outcome == MacState::Written)
            throw JournalError(JournalFault::Failed, FormatMacNumber(mac) + " was never reserved");
    });
}

bool SqlJournal::ReleaseMac(uint64_t mac) {
    return InTransaction(Write::MacAllocation, [&] {
        return !connection_
                    ->Query("UPDATE macs SET state = 'released', updated_at = $2 "
                            "WHERE mac = $1 AND state IN ('reserved', 'failed') RETURNING mac",
                            {Mac(mac), JournalTimestamp()})
                    .empty();
    });
}

std::optional<MacEntry> SqlJournal::LookupMac(uint64_t mac) {
    std::lock_guard lock(mutex_);
    auto rows =
        connection_->Query("SELECT mac, state, unit_id, station, updated_at FROM macs WHERE mac = $1", {Mac(mac)});
    if (rows.empty()) return std::nullopt;
    return MacFromRow(rows[0]);
}

std::vector<MacEntry> SqlJournal::Macs() {
    std::lock_guard lock(mutex_);
    std::vector<MacEntry> entries;
    for (const auto& row : connection_->Query("SELECT mac, state, unit_id, station, updated_at FROM macs ORDER BY mac", {}))
        entries.push_back(MacFromRow(row));
    return entries;
}

std::vector<UnitRecord> SqlJournal::Units(const std::string& since) {
    std::lock_guard lock(mutex_);
    std::vector<UnitRecord> units;
    for (const auto& row : connection_->Query(std::string(kUnitColumns) + "WHERE started_at >= $1 ORDER BY id", {since}))
        units.push_back(UnitFromRow(row));
    return units;
}

std::vector<UnitRecord> SqlJournal::FindUnits(const std::string& macOrSerial) {
    std::lock_guard lock(mutex_);
    auto mac = ParseMacNumber(macOrSerial);
    std::vector<UnitRecord> units;
    for (const auto& row : connection_->Query(std::string(kUnitColumns) + "WHERE serial = $1 OR mac = $2 ORDER BY id",
                                              {macOrSerial, mac ? FormatMacNumber(*mac) : std::string("-")}))
        units.push_back(UnitFromRow(row));
    return units;
}

std::vector<StepRecord> SqlJournal::Steps(int64_t unit) {
    std::lock_guard lock(mutex_);
    std::vector<StepRecord> steps;
    for (const auto& row : connection_->Query(
             "SELECT step, started_at, ended_at, result, messages FROM steps WHERE unit_id = $1 ORDER BY id", {unit}))
        steps.push_back({Text(row[0]), Text(row[1]), Text(row[2]), Text(row[3]), MessagesFromJson(Text(row[4]))});
    return steps;
}

int SqlJournal::SchemaVersion() {
    std::lock_guard lock(mutex_);
    auto rows = connection_->Query("SELECT version FROM schema_version", {});
    return rows.empty() ? 0 : std::stoi(Text(rows[0][0]));
}

} // namespace tarnwell
