#pragma once
// A SQLite journal file: looked at before SQLite writes a byte of it, and
// made only on purpose, whole, under a temporary name first.
#include "journal/sql_journal.h"

#include <memory>
#include <string>

namespace tarnwell {

// The journal in the file at `path`. Refuses, leaving the file as it is and
// adding no -wal or -shm file: nothing there (NotFound), a folder
// (CannotOpen), no bytes (Empty), not SQLite or another program's database
// (NotOurs), a newer journal (NewerSchema).
std::unique_ptr<SqlJournal> OpenSqliteJournal(const std::string& path);

// Makes the journal file at `path`, which must not exist or have no bytes
// (AlreadyExists otherwise), then opens it.
std::unique_ptr<SqlJournal> CreateSqliteJournal(const std::string& path);

} // namespace tarnwell
