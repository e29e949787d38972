#include "journal/sql_journal.h"

#include "journal/journal_rows.h"
#include "journal/journal_schema.h"
#include "journal/mac_number.h"
#include "journal/random_hex.h"

#include <nlohmann/json.hpp>

#include <algorithm>
#include <thread>

namespace tarnwell {
namespace {

using Write = SqlConnection::Write;

std::string Text(const std::optional<std::string>& value) { return RowText(value); }

int64_t Mac(uint64_t mac) { return static_cast<int64_t>(mac); }

} // namespace

std::optional<MacReservation::Verdict> PoolRefusal(uint64_t mac, const MacPool& pool) {
    if (!IsAssignableMac(mac)) return MacReservation::Verdict::NotAssignable;
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

SqlJournal::SqlJournal(std::unique_ptr<SqlConnection> connection, JournalOpen how, int targetVersion)
    : connection_(std::move(connection)) {
    MigrateJournal(*connection_, how, targetVersion);
}

template <class Work> auto SqlJournal::Call(Work work) {
    std::lock_guard lock(mutex_);
    const auto deadline = std::chrono::steady_clock::now() + reconnectWait_;
    auto pause = std::chrono::milliseconds(100);
    for (;;) {
        try {
            return work();
        } catch (const JournalError& error) {
            faults_ |= 1u << static_cast<unsigned>(error.Fault());
            if (error.Fault() != JournalFault::ConnectionLost || std::chrono::steady_clock::now() >= deadline) {
                if (error.Fault() != JournalFault::ConnectionLost || reconnectWait_.count() == 0) throw;
                throw JournalError(JournalFault::ConnectionLost,
                                   std::string(error.what()) + " (the server did not come back within " +
                                       std::to_string(reconnectWait_.count()) + " s)");
            }
        }
        // Held, not failed: the units wait here until the server is back.
        std::this_thread::sleep_for(pause);
        pause = std::min(pause * 2, std::chrono::milliseconds(2000));
        connection_->Reconnect();
    }
}

template <class Work> auto SqlJournal::InTransaction(Write kind, Work work) {
    return Call([&] {
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
    });
}

bool SqlJournal::HasFailedWith(JournalFault fault) const {
    return (faults_.load() & (1u << static_cast<unsigned>(fault))) != 0;
}

void SqlJournal::KeepStationMemory(StationMemory memory, bool journalChanged) {
    const std::string id = Identity().id;
    auto highest = Call([&]() -> std::optional<uint64_t> {
        auto rows = connection_->Query("SELECT MAX(mac) FROM macs", {});
        if (rows.empty() || !rows[0][0]) return std::nullopt;
        return std::stoull(*rows[0][0]);
    });
    memory.Check(id, highest, journalChanged);
    memory_ = std::move(memory);
}

void SqlJournal::Remember(const MacReservation& reservation) {
    if (!memory_ || reservation.verdict != MacReservation::Verdict::Reserved) return;
    std::lock_guard lock(mutex_);
    memory_->NoteMac(reservation.mac);
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

std::string SqlJournal::Reserve(uint64_t mac, int64_t unit, bool rowExists) {
    const std::string now = JournalTimestamp();
    const std::string token = RandomHex(8);
    if (rowExists)
        connection_->Query("UPDATE macs SET state = 'reserved', unit_id = $2, updated_at = $3, token = $4, "
                           "station = (SELECT station FROM units WHERE id = $2) WHERE mac = $1",
                           {Mac(mac), unit, now, token});
    else
        connection_->Query("INSERT INTO macs (mac, state, unit_id, station, updated_at, token) "
                           "SELECT CAST($1 AS BIGINT), 'reserved', id, station, $3, $4 FROM units WHERE id = $2",
                           {Mac(mac), unit, now, token});
    auto named = connection_->Query("UPDATE units SET mac = $1 WHERE id = $2 RETURNING id",
                                    {FormatMacNumber(mac), unit});
    if (named.empty()) throw JournalError(JournalFault::Failed, "no unit " + std::to_string(unit) + " in the journal");
    return token;
}

MacReservation SqlJournal::ReserveMac(uint64_t mac, int64_t unit, const MacPool& pool) {
    using Verdict = MacReservation::Verdict;
    if (auto refusal = PoolRefusal(mac, pool)) return {*refusal, mac, 0, ""};
    MacReservation reservation = InTransaction(Write::MacAllocation, [&]() -> MacReservation {
        auto rows = connection_->Query("SELECT state, unit_id FROM macs WHERE mac = $1", {Mac(mac)});
        if (!rows.empty()) {
            const std::string state = Text(rows[0][0]);
            const int64_t holder = rows[0][1] ? std::stoll(*rows[0][1]) : 0;
            if (state == MacStateName(MacState::Written)) return {Verdict::AlreadyWritten, mac, holder, ""};
            if (state == MacStateName(MacState::Reserved) && holder != unit)
                return {Verdict::OutcomeUnknown, mac, holder, ""};
        }
        return {Verdict::Reserved, mac, unit, Reserve(mac, unit, !rows.empty())};
    });
    Remember(reservation);
    return reservation;
}

MacReservation SqlJournal::ReserveNextMac(int64_t unit, const MacPool& pool) {
    using Verdict = MacReservation::Verdict;
    if (!pool.first) throw JournalError(JournalFault::Failed, "a MAC pool needs its first address");
    const uint64_t first = *pool.first, last = pool.last.value_or(kLastMacNumber);
    if (first > last) return {Verdict::PoolExhausted, first, 0, ""};
    MacReservation reservation = InTransaction(Write::MacAllocation, [&]() -> MacReservation {
        auto rows = connection_->Query("SELECT MAX(mac) FROM macs WHERE mac >= $1 AND mac <= $2",
                                       {Mac(first), Mac(last)});
        uint64_t next = first;
        if (!rows.empty() && rows[0][0]) next = std::stoull(*rows[0][0]) + 1;
        const auto assignable = NextAssignableMac(next);
        if (!assignable || *assignable > last) return {Verdict::PoolExhausted, last, 0, ""};
        next = *assignable;
        return {Verdict::Reserved, next, unit, Reserve(next, unit, false)};
    });
    Remember(reservation);
    return reservation;
}

uint64_t SqlJournal::LowestFreeMac(uint64_t from, uint64_t last) {
    auto number = [](const std::vector<SqlRow>& rows) -> std::optional<uint64_t> {
        if (rows.empty() || !rows[0][0]) return std::nullopt;
        return std::stoull(*rows[0][0]);
    };
    const auto released = number(connection_->Query(
        "SELECT MIN(mac) FROM macs WHERE mac >= $1 AND mac <= $2 AND state = 'released'", {Mac(from), Mac(last)}));
    uint64_t lowest = from;
    if (!connection_->Query("SELECT 1 FROM macs WHERE mac = $1 AND state <> 'released'", {Mac(from)}).empty()) {
        // The end of the run of held addresses that starts at `from`, in one pass over them.
        const auto endOfRun = number(connection_->Query(
            "SELECT mac FROM (SELECT mac, LEAD(mac) OVER (ORDER BY mac) AS next FROM macs "
            "WHERE mac >= $1 AND mac <= $2 AND state <> 'released') AS held "
            "WHERE next IS NULL OR next <> mac + 1 ORDER BY mac LIMIT 1",
            {Mac(from), Mac(last)}));
        lowest = endOfRun ? *endOfRun + 1 : last + 1;
    }
    return released ? std::min(lowest, *released) : lowest;
}

MacReservation SqlJournal::ReserveLowestFreeMac(int64_t unit, const MacPool& pool) {
    using Verdict = MacReservation::Verdict;
    if (!pool.first) throw JournalError(JournalFault::Failed, "a MAC pool needs its first address");
    const uint64_t last = pool.last.value_or(kLastMacNumber);
    MacReservation reservation = InTransaction(Write::MacAllocation, [&]() -> MacReservation {
        std::optional<uint64_t> from = NextAssignableMac(*pool.first);
        while (from && *from <= last) {
            const uint64_t found = LowestFreeMac(*from, last);
            if (found > last) break;
            if (IsAssignableMac(found)) {
                auto existing = connection_->Query("SELECT 1 FROM macs WHERE mac = $1", {Mac(found)});
                return {Verdict::Reserved, found, unit, Reserve(found, unit, !existing.empty())};
            }
            from = NextAssignableMac(found);
        }
        return {Verdict::PoolExhausted, last, 0, ""};
    });
    Remember(reservation);
    return reservation;
}

void SqlJournal::SetMacOutcome(uint64_t mac, int64_t unit, const std::string& token, MacState outcome) {
    const std::string failedState = MacStateName(outcome);
    std::string holderStation;
    auto conflict = InTransaction(Write::MacAllocation, [&]() -> std::optional<MacConflict> {
        const std::string now = JournalTimestamp();
        if (outcome != MacState::Written) {
            // A failure only ends the unit's own reservation.
            connection_->Query("UPDATE macs SET state = $4, updated_at = $3 "
                               "WHERE mac = $1 AND unit_id = $2 AND token = $5 AND state = 'reserved'",
                               {Mac(mac), unit, now, failedState, token});
            return std::nullopt;
        }
        auto rows = connection_->Query("SELECT state, unit_id, token, station FROM macs WHERE mac = $1", {Mac(mac)});
        if (rows.empty()) throw JournalError(JournalFault::Failed, FormatMacNumber(mac) + " was never reserved");
        const std::string state = Text(rows[0][0]);
        const int64_t holder = rows[0][1] ? std::stoll(*rows[0][1]) : 0;
        // Written again by the same reservation: a retried call after a lost answer.
        if (Text(rows[0][2]) == token && holder == unit && (state == "reserved" || state == "written")) {
            connection_->Query("UPDATE macs SET state = 'written', updated_at = $2 WHERE mac = $1", {Mac(mac), now});
            return std::nullopt;
        }
        auto station = connection_->Query("SELECT station FROM units WHERE id = $1", {unit});
        MacConflict found{mac, unit, station.empty() ? "" : Text(station[0][0]), holder, state, now};
        connection_->Query("INSERT INTO mac_conflicts (mac, unit_id, station, holder_unit, holder_state, at) "
                           "VALUES ($1, $2, $3, $4, $5, $6)",
                           {Mac(mac), unit, found.station, holder, state, now});
        // Released and taken by nobody yet: it is on this unit's device now, so it stays blocked.
        if (state == MacStateName(MacState::Released))
            connection_->Query("UPDATE macs SET state = 'written', unit_id = $2, station = $3, token = $4, "
                               "updated_at = $5 WHERE mac = $1",
                               {Mac(mac), unit, found.station, token, now});
        holderStation = Text(rows[0][3]);
        return found;
    });
    if (!conflict) return;
    const std::string text = FormatMacNumber(mac);
    std::string detail = "MAC " + text + " was released while this unit was writing it: two devices may carry it";
    detail += " (journal unit " + std::to_string(unit) + "; the journal had it " + conflict->holderState;
    if (conflict->holderState != MacStateName(MacState::Released))
        detail += " by unit " + std::to_string(conflict->holder) + " at " + holderStation;
    detail += ")";
    faults_ |= 1u << static_cast<unsigned>(JournalFault::FenceConflict);
    throw MacFenceConflict(mac, unit, conflict->holder, conflict->holderState, holderStation, detail);
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
    return Call([&]() -> std::optional<MacEntry> {
        auto rows =
            connection_->Query("SELECT mac, state, unit_id, station, updated_at FROM macs WHERE mac = $1", {Mac(mac)});
        if (rows.empty()) return std::nullopt;
        return MacFromRow(rows[0]);
    });
}

std::vector<MacEntry> SqlJournal::Macs() {
    return Call([&] {
        std::vector<MacEntry> entries;
        for (const auto& row :
             connection_->Query("SELECT mac, state, unit_id, station, updated_at FROM macs ORDER BY mac", {}))
            entries.push_back(MacFromRow(row));
        return entries;
    });
}

std::vector<UnitRecord> SqlJournal::Units(const std::string& since) {
    return Call([&] {
        std::vector<UnitRecord> units;
        for (const auto& row :
             connection_->Query(std::string(kUnitColumns) + "WHERE started_at >= $1 ORDER BY id", {since}))
            units.push_back(UnitFromRow(row));
        return units;
    });
}

std::vector<UnitRecord> SqlJournal::FindUnits(const std::string& macOrSerial) {
    auto mac = ParseMacNumber(macOrSerial);
    return Call([&] {
        std::vector<UnitRecord> units;
        for (const auto& row :
             connection_->Query(std::string(kUnitColumns) + "WHERE serial = $1 OR mac = $2 ORDER BY id",
                                {macOrSerial, mac ? FormatMacNumber(*mac) : std::string("-")}))
            units.push_back(UnitFromRow(row));
        return units;
    });
}

std::vector<StepRecord> SqlJournal::Steps(int64_t unit) {
    return Call([&] {
        std::vector<StepRecord> steps;
        for (const auto& row : connection_->Query(
                 "SELECT step, started_at, ended_at, result, messages FROM steps WHERE unit_id = $1 ORDER BY id", {unit}))
            steps.push_back({Text(row[0]), Text(row[1]), Text(row[2]), Text(row[3]), MessagesFromJson(Text(row[4]))});
        return steps;
    });
}

std::vector<MacConflict> SqlJournal::MacConflicts(uint64_t mac) {
    return Call([&] {
        std::vector<MacConflict> conflicts;
        for (const auto& row : connection_->Query("SELECT c.mac, c.unit_id, c.station, c.holder_unit, c.holder_state, "
                                                  "c.at FROM mac_conflicts c WHERE c.mac = $1 ORDER BY c.id",
                                                  {Mac(mac)}))
            conflicts.push_back({std::stoull(Text(row[0])), row[1] ? std::stoll(*row[1]) : 0, Text(row[2]),
                                 row[3] ? std::stoll(*row[3]) : 0, Text(row[4]), Text(row[5])});
        return conflicts;
    });
}

JournalIdentity SqlJournal::Identity() {
    return Call([&] {
        auto rows = connection_->Query("SELECT journal_id, created_at FROM journal_identity", {});
        if (rows.size() != 1) throw JournalError(JournalFault::Corrupt, "the journal has no single id");
        return JournalIdentity{Text(rows[0][0]), Text(rows[0][1])};
    });
}

int SqlJournal::SchemaVersion() {
    return Call([&] {
        auto rows = connection_->Query("SELECT version FROM schema_version", {});
        return rows.empty() ? 0 : std::stoi(Text(rows[0][0]));
    });
}

} // namespace tarnwell
