#include "journal/postgres_connection.h"

#include "journal/journal_error.h"

#include <libpq-fe.h>

#include <regex>

namespace tarnwell {
namespace {

struct Result {
    PGresult* handle;
    ~Result() { PQclear(handle); }
};

std::string WithoutPassword(const std::string& connectionString) {
    return std::regex_replace(connectionString, std::regex("(://[^:/@]*):[^@/]*@"), "$1:***@");
}

std::string Trimmed(const char* text) {
    std::string message = text ? text : "";
    while (!message.empty() && (message.back() == '\n' || message.back() == ' ')) message.pop_back();
    return message;
}

JournalFault FaultOfState(const char* sqlState) {
    std::string state = sqlState ? sqlState : "";
    if (state == "53100") return JournalFault::DiskFull;
    if (state == "55P03" || state == "40P01" || state == "57014") return JournalFault::Locked;
    if (state == "25006" || state == "42501") return JournalFault::ReadOnly;
    if (state.rfind("08", 0) == 0 || state.rfind("57P", 0) == 0) return JournalFault::ConnectionLost;
    if (state == "XX001" || state == "XX002") return JournalFault::Corrupt;
    return JournalFault::Failed;
}

} // namespace

PostgresConnection::PostgresConnection(const std::string& connectionString, ReadOnly)
    : PostgresConnection(connectionString) {
    readOnly_ = true;
    PrepareSession();
}

PostgresConnection::PostgresConnection(const std::string& connectionString)
    : where_(WithoutPassword(connectionString)) {
    // A server that does not answer is reported rather than waited on for
    // ever; a connect_timeout in the URL itself comes later and wins.
    const char* keywords[] = {"connect_timeout", "dbname", nullptr};
    const char* values[] = {"10", connectionString.c_str(), nullptr};
    conn_ = PQconnectdbParams(keywords, values, 1);
    // A throwing constructor runs no destructor: the connection is finished here.
    try {
        if (PQstatus(conn_) != CONNECTION_OK)
            throw JournalError(JournalFault::CannotOpen, where_ + ": " + Trimmed(PQerrorMessage(conn_)));
        PrepareSession();
    } catch (...) {
        PQfinish(conn_);
        conn_ = nullptr;
        throw;
    }
}

PostgresConnection::~PostgresConnection() { PQfinish(conn_); }

void PostgresConnection::PrepareSession() {
    // A stuck lock is reported to the operator instead of waiting for ever.
    Query("SET lock_timeout = '10s'", {});
    Query("SET client_min_messages = warning", {});
    if (readOnly_) {
        Query("SET SESSION CHARACTERISTICS AS TRANSACTION READ ONLY", {});
        // A reader's query that runs away is cut off rather than left to
        // hold a connection of the line's server.
        Query("SET statement_timeout = '10s'", {});
    }
}

bool PostgresConnection::Reconnect() {
    if (inTransaction_) return false;
    PQreset(conn_);
    if (PQstatus(conn_) != CONNECTION_OK) return false;
    try {
        PrepareSession();
        return true;
    } catch (const JournalError&) {
        return false;
    }
}

void PostgresConnection::EnsureConnected() {
    if (PQstatus(conn_) == CONNECTION_OK) return;
    // Outside a transaction nothing can be half done, so one reconnect is safe.
    if (Reconnect()) return;
    throw JournalError(JournalFault::ConnectionLost, where_ + ": " + Trimmed(PQerrorMessage(conn_)));
}

std::vector<SqlRow> PostgresConnection::Query(const std::string& sql, const std::vector<SqlValue>& parameters) {
    EnsureConnected();
    std::vector<std::string> texts(parameters.size());
    std::vector<const char*> values(parameters.size(), nullptr);
    for (size_t i = 0; i < parameters.size(); ++i) {
        if (auto number = std::get_if<int64_t>(&parameters[i])) {
            texts[i] = std::to_string(*number);
            values[i] = texts[i].c_str();
        } else if (auto text = std::get_if<std::string>(&parameters[i])) {
            values[i] = text->c_str();
        }
    }
    Result result{PQexecParams(conn_, sql.c_str(), static_cast<int>(values.size()), nullptr, values.data(), nullptr,
                               nullptr, 0)};
    ExecStatusType status = PQresultStatus(result.handle);
    if (status != PGRES_COMMAND_OK && status != PGRES_TUPLES_OK) {
        const char* state = result.handle ? PQresultErrorField(result.handle, PG_DIAG_SQLSTATE) : nullptr;
        JournalFault fault = PQstatus(conn_) != CONNECTION_OK ? JournalFault::ConnectionLost : FaultOfState(state);
        throw JournalError(fault, where_ + ": " + Trimmed(PQerrorMessage(conn_)));
    }
    std::vector<SqlRow> rows;
    int count = PQntuples(result.handle), columns = PQnfields(result.handle);
    for (int r = 0; r < count; ++r) {
        SqlRow row;
        for (int c = 0; c < columns; ++c) {
            if (PQgetisnull(result.handle, r, c))
                row.emplace_back();
            else
                row.emplace_back(std::string(PQgetvalue(result.handle, r, c),
                                             static_cast<size_t>(PQgetlength(result.handle, r, c))));
        }
        rows.push_back(std::move(row));
    }
    return rows;
}

void PostgresConnection::Begin(Write kind) {
    Query("BEGIN", {});
    inTransaction_ = true;
    // Readers (export, find) are not held up by either lock.
    if (kind == Write::MacAllocation) Query("LOCK TABLE macs IN EXCLUSIVE MODE", {});
    if (kind == Write::SchemaChange) Query("SELECT pg_advisory_xact_lock(7408413)", {});
}

void PostgresConnection::BeginRead() {
    // One snapshot for every statement of the read, so its figures agree.
    Query("BEGIN ISOLATION LEVEL REPEATABLE READ READ ONLY", {});
    inTransaction_ = true;
}

void PostgresConnection::Commit() {
    inTransaction_ = false;
    Query("COMMIT", {});
}

void PostgresConnection::Rollback() noexcept {
    inTransaction_ = false;
    if (PQstatus(conn_) != CONNECTION_OK) return;
    PQclear(PQexec(conn_, "ROLLBACK"));
}

bool PostgresConnection::HasTable(const std::string& name) {
    return !Query("SELECT 1 FROM information_schema.tables WHERE table_schema = current_schema() AND table_name = $1",
                  {name})
                .empty();
}

bool PostgresConnection::HasAnyTable() {
    return !Query("SELECT 1 FROM information_schema.tables WHERE table_schema = current_schema() LIMIT 1", {}).empty();
}

} // namespace tarnwell
