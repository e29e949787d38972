#pragma once
// The single-station journal file: SQLite in WAL mode, each commit on disk
// (synchronous=FULL) before the call returns.
#include "journal/sql_connection.h"

#include <memory>

struct sqlite3;

namespace tarnwell {

enum class SqliteOpening {
    Existing, // read and write a file that is there, in WAL mode
    Create,   // a new file (and its folder), in rollback mode until UseWriteAheadLog()
    Inspect,  // read only, without locks or -wal/-shm files: for a look at a file not known to be ours
};

class SqliteConnection : public SqlConnection {
public:
    // A file that is not an SQLite database is refused, never replaced.
    explicit SqliteConnection(const std::string& path, SqliteOpening opening = SqliteOpening::Existing);
    // A reader that never writes: the file must exist (nothing is created),
    // every statement that would change it fails, and it takes no lock a
    // station's writes wait for.
    enum class ReadOnly { Yes };
    SqliteConnection(const std::string& path, ReadOnly);
    ~SqliteConnection() override;

    void UseWriteAheadLog();

    SqlDialect Dialect() const override { return SqlDialect::Sqlite; }
    std::vector<SqlRow> Query(const std::string& sql, const std::vector<SqlValue>& parameters) override;
    void Begin(Write kind) override;
    void BeginRead() override;
    void Commit() override;
    void Rollback() noexcept override;
    bool HasTable(const std::string& name) override;
    bool HasAnyTable() override;
    void StampVersion(int version) override;

private:
    [[noreturn]] void Fail(int code, const std::string& doing);
    void Close() noexcept;
    std::string path_;
    sqlite3* db_ = nullptr;
};

} // namespace tarnwell
