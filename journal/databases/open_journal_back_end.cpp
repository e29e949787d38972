// Choosing the journal's back end from its location.
#include "journal/journal_back_end.h"
#include "journal/postgres_connection.h"
#include "journal/sqlite_journal_file.h"

namespace tarnwell {

std::unique_ptr<SqlJournal> OpenSqlJournal(const JournalLocation& where, JournalOpen how) {
    if (where.kind == JournalLocation::Kind::Postgres)
        return std::make_unique<SqlJournal>(std::make_unique<PostgresConnection>(where.text), how);
    return how == JournalOpen::Create ? CreateSqliteJournal(where.text) : OpenSqliteJournal(where.text);
}

} // namespace tarnwell
