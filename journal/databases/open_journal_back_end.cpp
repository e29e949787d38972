// Choosing the journal's back end from its location.
#include "journal/journal.h"
#include "journal/journal_view.h"
#include "journal/postgres_connection.h"
#include "journal/sql_journal.h"
#include "journal/sqlite_connection.h"

namespace tarnwell {

std::unique_ptr<Journal> OpenJournal(const std::string& location) {
    const std::string where = location.empty() ? DefaultJournalPath() : location;
    if (where.rfind("postgresql://", 0) == 0 || where.rfind("postgres://", 0) == 0)
        return std::make_unique<SqlJournal>(std::make_unique<PostgresConnection>(where));
    return std::make_unique<SqlJournal>(std::make_unique<SqliteConnection>(where));
}

std::unique_ptr<SqlConnection> OpenJournalReader(const std::string& location) {
    const std::string where = location.empty() ? DefaultJournalPath() : location;
    if (where.rfind("postgresql://", 0) == 0 || where.rfind("postgres://", 0) == 0)
        return std::make_unique<PostgresConnection>(where, PostgresConnection::ReadOnly::Yes);
    return std::make_unique<SqliteConnection>(where, SqliteConnection::ReadOnly::Yes);
}

} // namespace tarnwell
