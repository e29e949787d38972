#pragma once
// The journal over either database: the same statements for both, one
// connection, one call at a time (the firmware worker and the UI thread share it).
#include "journal/journal.h"
#include "journal/sql_connection.h"

#include <memory>
#include <mutex>

namespace tarnwell {

class SqlJournal : public Journal {
public:
    // Migrates the schema to `targetVersion` (the latest when negative).
    explicit SqlJournal(std::unique_ptr<SqlConnection> connection, int targetVersion = -1);

    int64_t BeginUnit(const UnitStart& unit) override;
    void SetUnitPackage(int64_t unit, const std::string& path, const std::string& sha256) override;
    void FinishUnit(int64_t unit, const std::string& outcome) override;
    void RecordStep(int64_t unit, const StepRecord& step) override;
    MacReservation ReserveMac(uint64_t mac, int64_t unit, const MacPool& pool) override;
    MacReservation ReserveNextMac(int64_t unit, const MacPool& pool) override;
    void SetMacOutcome(uint64_t mac, int64_t unit, MacState outcome) override;
    bool ReleaseMac(uint64_t mac) override;
    std::optional<MacEntry> LookupMac(uint64_t mac) override;
    std::vector<MacEntry> Macs() override;
    std::vector<UnitRecord> Units(const std::string& since) override;
    std::vector<UnitRecord> FindUnits(const std::string& macOrSerial) override;
    std::vector<StepRecord> Steps(int64_t unit) override;
    int SchemaVersion() override;

private:
    template <class Work> auto InTransaction(SqlConnection::Write kind, Work work);
    // Inserts the reservation of `mac` for `unit` and names it on the unit.
    void Reserve(uint64_t mac, int64_t unit, bool rowExists);

    std::mutex mutex_;
    std::unique_ptr<SqlConnection> connection_;
};

} // namespace tarnwell
