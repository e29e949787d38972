// A build without database back ends: every journal refuses to open, so an
// action that asks for one stops before a unit could go unrecorded.
#include "journal/journal.h"
#include "journal/journal_error.h"
#include "journal/journal_view.h"

namespace tarnwell {

std::unique_ptr<Journal> OpenJournal(const std::string& location) {
    const std::string where = location.empty() ? DefaultJournalPath() : location;
    throw JournalError(JournalFault::NotBuiltIn, where + ": this build of Tarnwell has no journal databases");
}

std::unique_ptr<SqlConnection> OpenJournalReader(const std::string& location) {
    OpenJournal(location);
    return nullptr;
}

} // namespace tarnwell
