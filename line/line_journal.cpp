#include "line/line_journal.h"

#include "device/journal_mac_ledger.h"
#include "journal/mac_number.h"
#include "line/progress_board.h"

namespace tarnwell::line {

std::shared_ptr<Journal> OpenLineJournal(const UnitJournal& journal, const std::vector<UnitPlan>& units,
                                         std::string& error) {
    ConsoleJournal pool;
    pool.poolFirst = journal.poolFirst;
    pool.poolLast = journal.poolLast;
    try {
        JournalOpening opening;
        opening.stationMemory = journal.stationMemory;
        opening.journalChanged = journal.journalChanged;
        opening.reconnectWait = journal.reconnectWait;
        std::shared_ptr<Journal> records = journal.shared ? journal.shared : OpenJournal(journal.location, opening);
        const MacPool bounds = pool.Pool();
        for (const UnitPlan& unit : units) {
            if (unit.mac.empty()) continue;
            auto mac = ParseMacNumber(unit.mac);
            if (!mac) continue; // the command line's check comes first
            MacReservation verdict = CheckMacFree(*records, *mac, bounds);
            if (verdict.verdict == MacReservation::Verdict::Reserved) continue;
            error = unit.address + ": " + MessageText(MacRefusalMessage(verdict, bounds, *records));
            return nullptr;
        }
        return records;
    } catch (const JournalError& fault) {
        error = MessageText(JournalFaultMessage(fault));
        return nullptr;
    }
}

} // namespace tarnwell::line
