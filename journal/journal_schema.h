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

// Migrates up to `targetVersion` (the latest when negative). A database that
// holds tables of something else, or a newer journal, is refused untouched.
void MigrateJournal(SqlConnection& connection, int targetVersion = -1);

} // namespace tarnwell
