#pragma once
// One unit's attempt in the journal, as the line runner records it: begun
// with the unit's first step on a connection of the unit's own, a row per
// step with its outcome, the MAC reserved before its block goes out. After a
// journal fault nothing more is sent to the unit.
#include "app/console_journal.h"
#include "device/journal_mac_ledger.h"
#include "device/outcome.h"

#include <chrono>
#include <functional>
#include <memory>
#include <string>

namespace tarnwell::line {

struct UnitPlan;
class OpenJournalUnits;

// Where the units are recorded, as the console records its actions.
struct UnitJournal {
    bool enabled = false;
    std::string location; // a SQLite path or a postgresql:// connection string
    std::string station;  // "" for the host name
    std::string poolFirst, poolLast;
    std::string stationMemory;  // the station's memory of its journals; "" checks nothing
    bool journalChanged = false; // --journal-changed
    // A lost database server holds the units this long before they fail.
    std::chrono::seconds reconnectWait{60};
    // The job's one journal, shared by every unit; null: each unit opens `location`
    // (the runner opens it; a test may hand in one of its own).
    std::shared_ptr<Journal> shared;
    // Where begun units are listed until they end (may be null).
    OpenJournalUnits* openUnits = nullptr;
};

class UnitJournalRecord {
public:
    UnitJournalRecord(const UnitJournal& settings, const UnitPlan& unit);
    ~UnitJournalRecord();

    // Runs one step and records it as `name`; the step's outcome, with a
    // journal fault in place of success when the row could not be written.
    Outcome Step(const std::string& name, const std::function<Outcome()>& operation);
    // Notes the package's path and digest before any of it is sent.
    std::optional<Outcome> NotePackage(const std::string& path, const std::string& sha256);
    // True after a journal fault: the unit gets nothing more.
    bool Broken() const { return broken_; }
    MacLedger* Ledger() { return ledger_.get(); }
    // What the unit ends with in the journal.
    void Finish(const std::string& outcome);
    // The journal's id of the unit; 0 before its first step.
    int64_t Id() const { return unit_ ? unit_->Id() : 0; }

private:
    std::shared_ptr<JournalUnit> Unit(); // throws JournalError
    Outcome Fault(const JournalError& error);

    const UnitJournal& settings_;
    const UnitPlan& plan_;
    ConsoleJournal link_;
    std::shared_ptr<JournalUnit> unit_;
    std::unique_ptr<JournalMacLedger> ledger_;
    bool broken_ = false;
};

} // namespace tarnwell::line
