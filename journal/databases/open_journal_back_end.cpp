// Choosing the journal's back end from its location.
#include "journal/journal_back_end.h"
#include "journal/journal_view.h"
#include "journal/journal_location.h"
#include "journal/postgres_connection.h"
#include "journal/sqlite_connection.h"
#include "journal/sqlite_journal_file.h"

namespace tarnwell {

std::unique_ptr<SqlJournal> OpenSqlJournal(const JournalLocation& where, JournalOpen how) {
    if (where.kind == JournalLocation::Kind::Postgres)
        return std::make_unique<SqlJournal>(std::make_unique<PostgresConnection>(where.text), how);
    return how == JournalOpen::Create ? CreateSqliteJournal(where.text) : OpenSqliteJournal(where.text);
}

std::unique_ptr<SqlConnection> OpenJournalReader(const std::string& location) {
    // The same strict reading of the location as every other open.
    const JournalLocation where = ParseJournalLocation(location.empty() ? DefaultJournalPath() : location);
    if (where.kind == JournalLocation::Kind::Postgres)
        return std::make_unique<PostgresConnection>(where.text, PostgresConnection::ReadOnly::Yes);
    return std::make_unique<SqliteConnection>(where.text, SqliteConnection::ReadOnly::Yes);
}

} // namespace tarnwell
