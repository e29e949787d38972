#pragma once
// The shared journal of a line with several stations, over libpq. The
// connection string is handed to libpq as it is ("postgresql://...").
#include "journal/sql_connection.h"

struct pg_conn;

namespace tarnwell {

class PostgresConnection : public SqlConnection {
public:
    explicit PostgresConnection(const std::string& connectionString);
    // A reader: every transaction of the session is READ ONLY, so the server
    // itself refuses any write, whatever the role may do.
    enum class ReadOnly { Yes };
    PostgresConnection(const std::string& connectionString, ReadOnly);
    ~PostgresConnection() override;

    SqlDialect Dialect() const override { return SqlDialect::Postgres; }
    std::vector<SqlRow> Query(const std::string& sql, const std::vector<SqlValue>& parameters) override;
    void Begin(Write kind) override;
    void BeginRead() override;
    void Commit() override;
    void Rollback() noexcept override;
    bool HasTable(const std::string& name) override;
    bool HasAnyTable() override;
    bool Reconnect() override;

private:
    void EnsureConnected();
    void PrepareSession();
    std::string where_; // the connection string without its password, for messages
    pg_conn* conn_ = nullptr;
    bool inTransaction_ = false;
    bool readOnly_ = false;
};

} // namespace tarnwell
