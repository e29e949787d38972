#pragma once
// The journal's tables, as a list of migrations: a journal of any earlier
// version is brought up to the latest in one transaction when it is opened.
#include "journal/sql_connection.h"

#include <string>
#include <vector>

namespace tarnwell {

// The statements that take a journal from version `index` to `index + 1`.
const std::vector<std::vector<std::string>>& JournalMigrations(SqlDialect dialect);
inline int LatestJournalVersion(SqlDialect dialect) { return static_cast<int>(JournalMigrations(dialect).size()); }

// The version that gave each journal its id (and SQLite files their header marks).
inline constexpr int kIdentityVersion = 3;

enum class JournalShape { Empty, Ours, Foreign };
JournalShape InspectJournal(SqlConnection& connection);

enum class JournalOpen { Existing, Create };

// Migrates up to `targetVersion` (the latest when negative). Create makes a
// journal in an empty database only; Existing refuses an empty one. A database
// that holds tables of something else, or a newer journal, is refused untouched.
void MigrateJournal(SqlConnection& connection, JournalOpen how, int targetVersion = -1);

} // namespace tarnwell
