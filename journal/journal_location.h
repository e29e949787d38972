#pragma once
// Where a journal is, as the operator typed it. Only postgresql:// and
// postgres:// (in any case) reach a server; every other "scheme:" form is a
// mistake, never a file name, so a mistyped URL cannot become a new local
// journal beside the real one.
#include <string>

namespace tarnwell {

struct JournalLocation {
    enum class Kind { Sqlite, Postgres };
    Kind kind = Kind::Sqlite;
    // A PostgreSQL URL with its scheme in lower case (libpq knows no other),
    // or the SQLite file's absolute path.
    std::string text;
    // What identifies the place in messages and in the station's memory: the
    // path, or the URL without its password.
    std::string place;
};

// Throws JournalError (BadLocation) for a blank around the text, an empty
// text or any other scheme. A relative path is made absolute against the
// working folder; "C:\x" and "C:/x" are paths.
JournalLocation ParseJournalLocation(const std::string& text);

} // namespace tarnwell
