// A journal is made only on purpose and opened only when it is one: nothing
// where it should be, a file emptied, another program's database or an
// older copy put in its place is refused, and left exactly as it was.
#include "journal/journal.h"
#include "journal/journal_command.h"
#include "journal/station_memory.h"
#include "support/environment_override.h"
#include "support/temp_dir.h"

#include <gtest/gtest.h>
#include <sqlite3.h>

#include <filesystem>
#include <sstream>

namespace tarnwell::test {
namespace {

namespace fs = std::filesystem;

class JournalIdentityTest : public ::testing::Test {
protected:
    // The fault OpenJournal refuses `where` with, or Failed when it opened.
    JournalFault Refusal(const std::string& where, const JournalOpening& opening = {}) {
        try {
            OpenJournal(where, opening);
        } catch (const JournalError& error) {
            return error.Fault();
        }
        return JournalFault::Failed;
    }
    // Another program's SQLite file, in its own rollback mode, as it would leave it.
    std::string ForeignDatabase(const std::string& name, const std::string& sql) {
        const std::string file = folder.File(name);
        sqlite3* db = nullptr;
        EXPECT_EQ(sqlite3_open(file.c_str(), &db), SQLITE_OK);
        EXPECT_EQ(sqlite3_exec(db, sql.c_str(), nullptr, nullptr, nullptr), SQLITE_OK);
        sqlite3_close(db);
        return file;
    }
    bool Beside(const std::string& file, const char* suffix) { return fs::exists(file + suffix); }

    TempDir folder;
    std::string path = folder.File("journal.sqlite3");
    JournalOpening station{folder.File("stations.json"), false, std::chrono::seconds(0)};
};

TEST_F(JournalIdentityTest, NothingEmptyOrForeignIsRefusedAndLeftAsItWas) {
    EXPECT_EQ(Refusal(folder.File("lines/a/journal.sqlite3")), JournalFault::NotFound);
    EXPECT_FALSE(fs::exists(folder.File("lines"))); // no folder made on the way

    CreateJournal(path)->BeginUnit({"s", "", "", "", ""});
    fs::resize_file(path, 0); // emptied
    EXPECT_EQ(Refusal(path), JournalFault::Empty);
    EXPECT_EQ(fs::file_size(path), 0u);
    EXPECT_FALSE(Beside(path, "-wal") || Beside(path, "-shm"));

    for (const char* sql : {"CREATE TABLE units (name TEXT); INSERT INTO units VALUES ('x')",
                            "CREATE TABLE notes (text TEXT)", "PRAGMA user_version = 2"}) {
        SCOPED_TRACE(sql);
        const std::string other = ForeignDatabase("other.db", sql);
        const std::string before = ReadFileBytes(other);
        EXPECT_EQ(Refusal(other), JournalFault::NotOurs);
        EXPECT_EQ(ReadFileBytes(other), before); // not even switched to WAL
        EXPECT_FALSE(Beside(other, "-wal") || Beside(other, "-shm"));
        EXPECT_THROW(CreateJournal(other), JournalError);
        EXPECT_EQ(ReadFileBytes(other), before);
        fs::remove(other);
    }
    WriteFileBytes(folder.File("notes.txt"), "SQLite format 2\n");
    EXPECT_EQ(Refusal(folder.File("notes.txt")), JournalFault::NotOurs);
}

TEST_F(JournalIdentityTest, InitMakesAJournalOnceWithAnIdAndReadsLeaveNoFilesBehind) {
    auto made = CreateJournal(path);
    const JournalIdentity identity = made->Identity();
    EXPECT_EQ(identity.id.size(), 32u);
    made.reset();
    EXPECT_FALSE(Beside(path, "-wal") || Beside(path, "-shm"));
    try {
        CreateJournal(path);
        FAIL() << "a second journal was made over the first";
    } catch (const JournalError& error) {
        EXPECT_EQ(error.Fault(), JournalFault::AlreadyExists);
    }
    EXPECT_EQ(OpenJournal(path)->Identity().id, identity.id);
    EXPECT_NE(CreateJournal(folder.File("second.sqlite3"))->Identity().id, identity.id);

    EnvironmentOverride dataHome("XDG_DATA_HOME", folder.Path().string());
    std::ostringstream out, err;
    EXPECT_EQ(RunJournalCommand({"--journal", path, "export", "--csv"}, out, err), 0) << err.str();
    EXPECT_FALSE(Beside(path, "-wal") || Beside(path, "-shm"));
    // A mistyped path makes nothing: find and export on it fail.
    EXPECT_EQ(RunJournalCommand({"--journal", folder.File("jounral.sqlite3"), "find", "SN1"}, out, err), 3);
    EXPECT_FALSE(fs::exists(folder.File("jounral.sqlite3")));
    EXPECT_NE(err.str().find("tarnwell-journal init"), std::string::npos) << err.str();
    EXPECT_NE(err.str().find("此处没有制造日志"), std::string::npos) << err.str();
    EXPECT_EQ(RunJournalCommand({"--journal", folder.File("third.sqlite3"), "init"}, out, err), 0) << err.str();
    EXPECT_EQ(RunJournalCommand({"--journal", folder.File("third.sqlite3"), "init"}, out, err), 3);
}

TEST_F(JournalIdentityTest, StationRefusesASwappedOrOlderJournalUntilToldItChanged) {
    CreateJournal(path, station);
    const std::string olderCopy = ReadFileBytes(path);
    {
        auto journal = OpenJournal(path, station);
        const int64_t unit = journal->BeginUnit({"s", "", "", "", ""});
        ASSERT_EQ(journal->ReserveMac(0x020000000010ull, unit, {}).verdict, MacReservation::Verdict::Reserved);
    }
    // Put back from before the MAC was handed out: the same id, fewer MACs.
    WriteFileBytes(path, olderCopy);
    EXPECT_EQ(Refusal(path, station), JournalFault::OtherJournal);
    EXPECT_EQ(Refusal(path), JournalFault::Failed); // a tool without a station's memory reads it

    // Deleted and made again, or another journal copied in its place.
    fs::remove(path);
    EXPECT_THROW(CreateJournal(path, station), JournalError);
    EXPECT_FALSE(fs::exists(path));
    CreateJournal(folder.File("elsewhere.sqlite3"));
    fs::copy_file(folder.File("elsewhere.sqlite3"), path);
    try {
        OpenJournal(path, station);
        FAIL() << "a swapped journal was taken";
    } catch (const JournalError& error) {
        EXPECT_EQ(error.Fault(), JournalFault::OtherJournal);
        EXPECT_NE(std::string(error.what()).find("02:00:00:00:00:10"), std::string::npos) << error.what();
        EXPECT_NE(std::string(error.what()).find("--journal-changed"), std::string::npos) << error.what();
    }
    JournalOpening changed = station;
    changed.journalChanged = true;
    OpenJournal(path, changed);
    EXPECT_EQ(Refusal(path, station), JournalFault::Failed); // remembered from now on
    EXPECT_EQ(ParseStationMemory(ReadFileBytes(station.stationMemory)).at(path).journalId,
              OpenJournal(path)->Identity().id);
}

TEST(StationMemoryTest, ReadsWhatItWroteAndSkipsWhatItCannotRead) {
    StationMemoryEntries entries{{"/a/journal.sqlite3", {"abc", 0x020000000001ull, "2026-01-01T00:00:00.000Z"}},
                                 {"postgresql://db/line", {"def", std::nullopt, ""}}};
    auto again = ParseStationMemory(FormatStationMemory(entries));
    ASSERT_EQ(again.size(), 2u);
    EXPECT_EQ(again["/a/journal.sqlite3"].highestMac, 0x020000000001ull);
    EXPECT_FALSE(again["postgresql://db/line"].highestMac);
    EXPECT_TRUE(ParseStationMemory("").empty());
    EXPECT_TRUE(ParseStationMemory("{\"journals\": []}").empty());
    EXPECT_EQ(ParseStationMemory("{\"journals\": {\"x\": {\"journal_id\": 7}, \"y\": {\"journal_id\": \"i\"}}}").size(), 1u);
}

} // namespace
} // namespace tarnwell::test
