#pragma once
// The databases behind the journal: journal/databases in a build with SQLite
// and libpq, journal/no_databases (which refuses every journal) without.
#include "journal/journal_location.h"
#include "journal/journal_schema.h"
#include "journal/sql_journal.h"

#include <memory>

namespace tarnwell {

// Existing: the journal at `where`, checked to be one of ours before anything
// writes to it. Create: a new one, then opened as Existing.
std::unique_ptr<SqlJournal> OpenSqlJournal(const JournalLocation& where, JournalOpen how);

} // namespace tarnwell
