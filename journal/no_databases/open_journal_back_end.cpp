// A build without database back ends: every journal refuses to open, so an
// action that asks for one stops before a unit could go unrecorded.
#include "journal/journal_back_end.h"
#include "journal/journal_error.h"
#include "journal/journal_view.h"

namespace tarnwell {

std::unique_ptr<SqlJournal> OpenSqlJournal(const JournalLocation& where, JournalOpen) {
    throw JournalError(JournalFault::NotBuiltIn, where.place + ": this build of Tarnwell has no journal databases");
}

std::unique_ptr<SqlConnection> OpenJournalReader(const std::string& location) {
    OpenJournal(location);
    return nullptr;
}

} // namespace tarnwell
