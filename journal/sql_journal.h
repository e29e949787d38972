#pragma once
// The journal over either database: the same statements for both, one
// connection, one call at a time (a process's units and threads share it).
#include "journal/journal.h"
#include "journal/journal_schema.h"
#include "journal/sql_connection.h"
#include "journal/station_memory.h"

#include <atomic>
#include <memory>
#include <mutex>

namespace tarnwell {

class SqlJournal : public Journal {
public:
    // Migrates the schema to `targetVersion` (the latest when negative);
    // Create makes the tables in an empty database.
    explicit SqlJournal(std::unique_ptr<SqlConnection> connection, JournalOpen how = JournalOpen::Existing,
                        int targetVersion = -1);

    int64_t BeginUnit(const UnitStart& unit) override;
    void SetUnitPackage(int64_t unit, const std::string& path, const std::string& sha256) override;
    void FinishUnit(int64_t unit, const std::string& outcome) override;
    void RecordStep(int64_t unit, const StepRecord& step) override;
    MacReservation ReserveMac(uint64_t mac, int64_t unit, const MacPool& pool) override;
    MacReservation ReserveNextMac(int64_t unit, const MacPool& pool) override;
    MacReservation ReserveLowestFreeMac(int64_t unit, const MacPool& pool) override;
    void SetMacOutcome(uint64_t mac, int64_t unit, const std::string& token, MacState outcome) override;
    bool ReleaseMac(uint64_t mac) override;
    std::optional<MacEntry> LookupMac(uint64_t mac) override;
    std::vector<MacEntry> Macs() override;
    std::vector<UnitRecord> Units(const std::string& since) override;
    std::vector<UnitRecord> FindUnits(const std::string& macOrSerial) override;
    std::vector<StepRecord> Steps(int64_t unit) override;
    std::vector<MacConflict> MacConflicts(uint64_t mac) override;
    int SchemaVersion() override;
    JournalIdentity Identity() override;
    bool HasFailedWith(JournalFault fault) const override;

    // Checks the journal against the station's memory (StationMemory::Check)
    // and from then on remembers each MAC handed out.
    void KeepStationMemory(StationMemory memory, bool journalChanged);
    void SetReconnectWait(std::chrono::seconds wait) { reconnectWait_ = wait; }

private:
    // Runs `work` under the lock; a lost server is waited for (reconnectWait_)
    // and the work run again. Every fault is noted for HasFailedWith.
    template <class Work> auto Call(Work work);
    template <class Work> auto InTransaction(SqlConnection::Write kind, Work work);
    // Inserts the reservation of `mac` for `unit` and names it on the unit; its token.
    std::string Reserve(uint64_t mac, int64_t unit, bool rowExists);
    void Remember(const MacReservation& reservation);
    // The lowest address from `from` on that no unit holds; `last` + 1 when none is.
    uint64_t LowestFreeMac(uint64_t from, uint64_t last);

    std::mutex mutex_;
    std::unique_ptr<SqlConnection> connection_;
    std::chrono::seconds reconnectWait_{0};
    std::optional<StationMemory> memory_;
    std::atomic<uint32_t> faults_{0};
};

} // namespace tarnwell
