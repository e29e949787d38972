#include "line/open_journal_units.h"

#include "journal/journal.h"
#include "line/unit_journal.h"

namespace tarnwell::line {

void OpenJournalUnits::Opened(int64_t unit) {
    std::lock_guard lock(mutex_);
    units_.insert(unit);
}

void OpenJournalUnits::Ended(int64_t unit, const std::function<void()>& end) {
    std::lock_guard lock(mutex_);
    end();
    units_.erase(unit);
}

bool OpenJournalUnits::CloseAll(const UnitJournal& journal, const std::string& outcome, size_t& closed,
                                std::string& error) {
    std::lock_guard lock(mutex_);
    closed = 0;
    if (units_.empty()) return true;
    try {
        auto records = OpenJournal(journal.location);
        for (int64_t unit : units_) {
            records->FinishUnit(unit, outcome);
            ++closed;
        }
        units_.clear();
        return true;
    } catch (const JournalError& fault) {
        error = fault.what();
        return false;
    }
}

} // namespace tarnwell::line
