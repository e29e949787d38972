#include "line/line_journal.h"

#include "device/journal_mac_ledger.h"
#include "journal/mac_number.h"
#include "line/progress_board.h"

namespace tarnwell::line {

bool CheckLineJournal(const UnitJournal& journal, const std::vector<UnitPlan>& units, std::string& error) {
    if (!journal.enabled) return true;
    ConsoleJournal opened;
    opened.location = journal.location;
    opened.poolFirst = journal.poolFirst;
    opened.poolLast = journal.poolLast;
    try {
        Journal& records = opened.Open();
        const MacPool pool = opened.Pool();
        for (const UnitPlan& unit : units) {
            if (unit.mac.empty()) continue;
            auto mac = ParseMacNumber(unit.mac);
            if (!mac) continue; // the command line's check comes first
            MacReservation verdict = CheckMacFree(records, *mac, pool);
            if (verdict.verdict == MacReservation::Verdict::Reserved) continue;
            error = unit.address + ": " + MessageText(MacRefusalMessage(verdict, pool, records));
            return false;
        }
    } catch (const JournalError& fault) {
        error = MessageText(JournalFaultMessage(fault));
        return false;
    }
    return true;
}

} // namespace tarnwell::line
