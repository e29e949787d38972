#include "journal/sqlite_journal_file.h"

#include "journal/journal_error.h"
#include "journal/journal_schema.h"
#include "journal/random_hex.h"
#include "journal/sqlite_connection.h"
#include "journal/sqlite_header.h"

#include <filesystem>
#include <fstream>

namespace tarnwell {
namespace {

namespace fs = std::filesystem;

[[noreturn]] void Refuse(JournalFault fault, const std::string& path, const std::string& why) {
    throw JournalError(fault, path + ": " + why);
}

// Only the bytes of the header are read; SQLite opens nothing yet.
void CheckJournalFile(const std::string& path) {
    std::error_code error;
    const auto status = fs::status(path, error);
    if (!fs::exists(status))
        Refuse(JournalFault::NotFound, path, "nothing is there");
    if (fs::is_directory(status)) Refuse(JournalFault::CannotOpen, path, "a folder, not a journal file");
    const auto size = fs::file_size(path, error);
    if (error) Refuse(JournalFault::CannotOpen, path, error.message());
    if (size == 0)
        Refuse(JournalFault::Empty, path, "the file is empty: it is no journal (any more); it was not changed");
    uint8_t bytes[kSqliteHeaderSize] = {};
    std::ifstream in(path, std::ios::binary);
    in.read(reinterpret_cast<char*>(bytes), sizeof bytes);
    if (!in && in.gcount() == 0) Refuse(JournalFault::CannotOpen, path, "cannot read the file");
    const auto header = ParseSqliteHeader(bytes, static_cast<size_t>(in.gcount()));
    if (!header) Refuse(JournalFault::NotOurs, path, "not a database file; it was not changed");
    if (header->applicationId == kJournalApplicationId) {
        const int latest = LatestJournalVersion(SqlDialect::Sqlite);
        if (header->userVersion > static_cast<uint32_t>(latest))
            Refuse(JournalFault::NewerSchema, path,
                   "the journal has schema version " + std::to_string(header->userVersion) +
                       "; this program knows up to " + std::to_string(latest));
        return;
    }
    // A journal made before journals had their mark: its tables tell, looked
    // at without locks so that nothing is written beside the file.
    const bool unmarkedJournal =
        header->applicationId == 0 && SqliteConnection(path, SqliteOpening::Inspect).HasTable("schema_version");
    if (!unmarkedJournal)
        Refuse(JournalFault::NotOurs, path, "another program's database, not a Tarnwell journal; it was not changed");
}

} // namespace

std::unique_ptr<SqlJournal> OpenSqliteJournal(const std::string& path) {
    CheckJournalFile(path);
    return std::make_unique<SqlJournal>(std::make_unique<SqliteConnection>(path), JournalOpen::Existing);
}

std::unique_ptr<SqlJournal> CreateSqliteJournal(const std::string& path) {
    std::error_code error;
    const bool emptyFile = fs::is_regular_file(path, error) && fs::file_size(path, error) == 0;
    if (fs::exists(path, error) && !emptyFile)
        Refuse(JournalFault::AlreadyExists, path, "something is there already; a journal is only made where nothing is");
    // Made whole under another name, in rollback mode so that the header's
    // marks are in the file itself, then put in place in one step.
    const std::string making = path + ".new-" + RandomHex(4);
    try {
        SqliteConnection connection(making, SqliteOpening::Create);
        MigrateJournal(connection, JournalOpen::Create);
        connection.UseWriteAheadLog();
    } catch (...) {
        fs::remove(making, error);
        throw;
    }
    if (emptyFile) {
        fs::rename(making, path, error);
    } else {
        fs::create_hard_link(making, path, error); // fails rather than replace one made meanwhile
        // A file system without hard links (FAT): the short race of a rename is all there is.
        if (error && error != std::errc::file_exists && !fs::exists(path)) {
            error.clear();
            fs::rename(making, path, error);
        }
    }
    std::error_code removal;
    fs::remove(making, removal);
    if (error) {
        Refuse(error == std::errc::file_exists ? JournalFault::AlreadyExists : JournalFault::CannotOpen, path,
               error.message());
    }
    return OpenSqliteJournal(path);
}

} // namespace tarnwell
