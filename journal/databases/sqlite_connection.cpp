#include "journal/sqlite_connection.h"

#include "journal/journal_error.h"
#include "journal/sqlite_header.h"

#include <sqlite3.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <unistd.h>

namespace tarnwell {
namespace {

// Long enough for another station process to finish a commit, short enough
// that an operator is told about a stuck lock instead of waiting.
constexpr int kBusyTimeoutMs = 10000;
// Less room than a few pages of the journal: nothing more can be written.
constexpr std::uintmax_t kNoRoomLeft = 256 * 1024;

// A full disk shows as SQLITE_FULL on a data write but as an I/O error on
// the -shm file or a sync, where SQLite rarely keeps the system's error: the
// operator needs the same words for both, so an I/O error on a file system
// with no room left is a full disk too.
JournalFault FaultOf(int code, int systemError, const std::string& path) {
    if (systemError == ENOSPC || systemError == EDQUOT) return JournalFault::DiskFull;
    if ((code & 0xFF) == SQLITE_IOERR) {
        std::error_code error;
        const auto space = std::filesystem::space(std::filesystem::path(path).parent_path(), error);
        if (!error && space.available < kNoRoomLeft) return JournalFault::DiskFull;
    }
    switch (code & 0xFF) {
    case SQLITE_CORRUPT:
    case SQLITE_NOTADB: return JournalFault::Corrupt;
    case SQLITE_FULL: return JournalFault::DiskFull;
    case SQLITE_BUSY:
    case SQLITE_LOCKED: return JournalFault::Locked;
    case SQLITE_READONLY:
    case SQLITE_PERM: return JournalFault::ReadOnly;
    case SQLITE_CANTOPEN: return JournalFault::CannotOpen;
    default: return JournalFault::Failed;
    }
}

// SQLite's own busy handler backs off to 100 ms sleeps, so with several
// stations writing at once one of them can lose every race for seconds.
// Short, jittered retries keep the waiting fair.
int RetrySoon(void*, int attempt) {
    if (attempt >= kBusyTimeoutMs) return 0; // about a millisecond a retry
    ::usleep(static_cast<useconds_t>(500 + std::rand() % 1000));
    return 1;
}

struct Statement {
    sqlite3_stmt* handle = nullptr;
    ~Statement() { sqlite3_finalize(handle); }
};

// "file:" URI of a path, for the immutable look.
std::string FileUri(const std::string& path) {
    std::string uri = "file:";
    for (char c : path) {
        if (c == '%' || c == '?' || c == '#') {
            char escaped[4];
            std::snprintf(escaped, sizeof escaped, "%%%02X", static_cast<unsigned char>(c));
            uri += escaped;
        } else {
            uri += c;
        }
    }
    return uri + "?immutable=1";
}

} // namespace

SqliteConnection::SqliteConnection(const std::string& path, SqliteOpening opening) : path_(path) {
    if (opening == SqliteOpening::Create) {
        std::error_code error;
        auto folder = std::filesystem::path(path).parent_path();
        if (!folder.empty()) std::filesystem::create_directories(folder, error);
    }
    // A throwing constructor runs no destructor: the handle (set even when the
    // open fails) is closed here instead.
    try {
        int code = SQLITE_OK;
        if (opening == SqliteOpening::Inspect)
            code = sqlite3_open_v2(FileUri(path).c_str(), &db_, SQLITE_OPEN_READONLY | SQLITE_OPEN_URI, nullptr);
        else
            code = sqlite3_open_v2(path.c_str(), &db_,
                                   SQLITE_OPEN_READWRITE | SQLITE_OPEN_FULLMUTEX |
                                       (opening == SqliteOpening::Create ? SQLITE_OPEN_CREATE : 0),
                                   nullptr);
        if (code != SQLITE_OK) Fail(code, "open");
        sqlite3_extended_result_codes(db_, 1);
        if (opening == SqliteOpening::Inspect) return;
        sqlite3_busy_handler(db_, RetrySoon, nullptr);
        if (opening == SqliteOpening::Existing) UseWriteAheadLog();
        Query("PRAGMA synchronous=FULL", {});
        Query("PRAGMA foreign_keys=ON", {});
    } catch (...) {
        sqlite3_close_v2(db_);
        db_ = nullptr;
        throw;
    }
}

SqliteConnection::SqliteConnection(const std::string& path, ReadOnly) : path_(path) {
    try {
        int code = sqlite3_open_v2(path.c_str(), &db_, SQLITE_OPEN_READONLY | SQLITE_OPEN_FULLMUTEX, nullptr);
        if (code != SQLITE_OK) Fail(code, "open");
        sqlite3_extended_result_codes(db_, 1);
        sqlite3_busy_handler(db_, RetrySoon, nullptr);
        // A reader's cache stays small: a server keeps several of these open.
        Query("PRAGMA cache_size=-2048", {});
        Query("PRAGMA query_only=1", {});
        // Reading the mode reads the header: a file of another kind fails here.
        auto mode = Query("PRAGMA journal_mode", {});
        if (mode.empty() || !mode[0][0])
            throw JournalError(JournalFault::CannotOpen, path_ + ": cannot read the journal's mode");
    } catch (...) {
        Close();
        throw;
    }
}

void SqliteConnection::Close() noexcept {
    sqlite3_close_v2(db_);
    db_ = nullptr;
}

SqliteConnection::~SqliteConnection() { sqlite3_close_v2(db_); }

void SqliteConnection::UseWriteAheadLog() {
    // The first statement reads the header: a file of another kind fails here.
    auto mode = Query("PRAGMA journal_mode=WAL", {});
    if (mode.empty() || !mode[0][0] || *mode[0][0] != "wal")
        throw JournalError(JournalFault::CannotOpen, path_ + ": cannot switch the journal to WAL mode");
}

void SqliteConnection::Fail(int code, const std::string& doing) {
    std::string detail = db_ ? sqlite3_errmsg(db_) : sqlite3_errstr(code);
    const int systemError = db_ ? sqlite3_system_errno(db_) : 0;
    const JournalFault fault = FaultOf(code, systemError, path_);
    if (fault == JournalFault::DiskFull && detail.find("full") == std::string::npos) detail += " (the disk is full)";
    throw JournalError(fault, path_ + ": " + doing + ": " + detail);
}

std::vector<SqlRow> SqliteConnection::Query(const std::string& sql, const std::vector<SqlValue>& parameters) {
    Statement statement;
    int code = sqlite3_prepare_v2(db_, sql.c_str(), static_cast<int>(sql.size()), &statement.handle, nullptr);
    if (code != SQLITE_OK) Fail(code, "prepare");
    for (size_t i = 0; i < parameters.size(); ++i) {
        const std::string name = "$" + std::to_string(i + 1);
        int index = sqlite3_bind_parameter_index(statement.handle, name.c_str());
        if (index == 0) continue;
        const SqlValue& value = parameters[i];
        if (auto number = std::get_if<int64_t>(&value))
            code = sqlite3_bind_int64(statement.handle, index, *number);
        else if (auto text = std::get_if<std::string>(&value))
            code = sqlite3_bind_text(statement.handle, index, text->data(), static_cast<int>(text->size()),
                                     SQLITE_TRANSIENT);
        else
            code = sqlite3_bind_null(statement.handle, index);
        if (code != SQLITE_OK) Fail(code, "bind");
    }
    std::vector<SqlRow> rows;
    while ((code = sqlite3_step(statement.handle)) == SQLITE_ROW) {
        SqlRow row;
        int columns = sqlite3_column_count(statement.handle);
        for (int c = 0; c < columns; ++c) {
            if (sqlite3_column_type(statement.handle, c) == SQLITE_NULL) {
                row.emplace_back();
                continue;
            }
            auto text = reinterpret_cast<const char*>(sqlite3_column_text(statement.handle, c));
            row.emplace_back(std::string(text, static_cast<size_t>(sqlite3_column_bytes(statement.handle, c))));
        }
        rows.push_back(std::move(row));
    }
    if (code != SQLITE_DONE) Fail(code, "write");
    return rows;
}

// IMMEDIATE takes the one write lock of the file at once, whatever the kind.
void SqliteConnection::Begin(Write) { Query("BEGIN IMMEDIATE", {}); }

// DEFERRED takes no lock until the first read, and a WAL reader never takes
// the write lock: stations go on committing while the snapshot is read.
void SqliteConnection::BeginRead() { Query("BEGIN DEFERRED", {}); }

void SqliteConnection::Commit() { Query("COMMIT", {}); }

void SqliteConnection::Rollback() noexcept {
    if (!sqlite3_get_autocommit(db_)) sqlite3_exec(db_, "ROLLBACK", nullptr, nullptr, nullptr);
}

bool SqliteConnection::HasTable(const std::string& name) {
    return !Query("SELECT 1 FROM sqlite_master WHERE type='table' AND name=$1", {name}).empty();
}

bool SqliteConnection::HasAnyTable() { return !Query("SELECT 1 FROM sqlite_master WHERE type='table' LIMIT 1", {}).empty(); }

void SqliteConnection::StampVersion(int version) {
    Query("PRAGMA application_id = " + std::to_string(static_cast<int32_t>(kJournalApplicationId)), {});
    Query("PRAGMA user_version = " + std::to_string(version), {});
}

} // namespace tarnwell
