#pragma once
// The little of a SQL database that the journal needs. Statements use $1, $2,
// ... for their parameters, which both SQLite and PostgreSQL understand.
#include <cstdint>
#include <optional>
#include <string>
#include <variant>
#include <vector>

namespace tarnwell {

using SqlValue = std::variant<std::monostate, int64_t, std::string>;
using SqlRow = std::vector<std::optional<std::string>>;

enum class SqlDialect { Sqlite, Postgres };

class SqlConnection {
public:
    virtual ~SqlConnection() = default;
    virtual SqlDialect Dialect() const = 0;
    // Runs one statement; the rows it returns, as text. Throws JournalError.
    virtual std::vector<SqlRow> Query(const std::string& sql, const std::vector<SqlValue>& parameters = {}) = 0;
    // A write transaction. MacAllocation also holds the MAC table against every
    // other writer until it ends, so a read-then-insert cannot race another
    // station; SchemaChange keeps two stations from migrating at once.
    enum class Write { Record, MacAllocation, SchemaChange };
    virtual void Begin(Write kind) = 0;
    // A read transaction: every statement up to Commit sees one snapshot, and
    // writers are not held up (WAL readers in SQLite, READ ONLY in PostgreSQL).
    virtual void BeginRead() = 0;
    virtual void Commit() = 0;
    // Never throws: it runs while an error is already on its way.
    virtual void Rollback() noexcept = 0;
    virtual bool HasTable(const std::string& name) = 0;
    // Any table at all: an empty database is no journal yet.
    virtual bool HasAnyTable() = 0;
    // Marks the database as a journal of `version` where the database has a
    // place for it (a SQLite file's header), inside the running transaction.
    virtual void StampVersion(int version) { (void)version; }
    // After ConnectionLost outside a transaction: one attempt to connect
    // again; true when the connection is back.
    virtual bool Reconnect() { return false; }
};

} // namespace tarnwell
