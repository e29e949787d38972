// The journal file itself: migrations, a newer or foreign file left alone,
// and the command line that exports it and finds units in it.
#include "journal/journal.h"
#include "journal/journal_command.h"
#include "journal/journal_schema.h"
#include "journal/sql_journal.h"
#include "journal/sqlite_connection.h"
#include "support/environment_override.h"
#include "support/temp_dir.h"

#include <gtest/gtest.h>
#include <nlohmann/json.hpp>

#include <sstream>

namespace tarnwell::test {
namespace {

class JournalFileTest : public ::testing::Test {
protected:
    int Command(const std::vector<std::string>& arguments) {
        out.str("");
        err.str("");
        std::vector<std::string> all{"--journal", path};
        all.insert(all.end(), arguments.begin(), arguments.end());
        return RunJournalCommand(all, out, err);
    }
    TempDir folder;
    EnvironmentOverride dataHome{"XDG_DATA_HOME", folder.Path().string()};
    std::string path = folder.File("journal.sqlite3");
    std::ostringstream out, err;
};

TEST_F(JournalFileTest, FirstVersionIsMigratedWithItsRecords) {
    {
        SqlJournal first(std::make_unique<SqliteConnection>(path, SqliteOpening::Create), JournalOpen::Create, 1);
        EXPECT_EQ(first.SchemaVersion(), 1);
        first.BeginUnit({"old", "127.0.0.2", "SN9", "", ""});
    }
    auto journal = OpenJournal(path);
    EXPECT_EQ(journal->SchemaVersion(), LatestJournalVersion(SqlDialect::Sqlite));
    ASSERT_EQ(journal->FindUnits("SN9").size(), 1u);
}

TEST_F(JournalFileTest, NewerOrForeignFilesAreRefusedAndLeftAsTheyAre) {
    CreateJournal(path)->BeginUnit({"s", "", "", "", ""});
    SqliteConnection(path).Query("UPDATE schema_version SET version = 99", {});
    try {
        OpenJournal(path);
        FAIL() << "a newer journal was opened";
    } catch (const JournalError& error) {
        EXPECT_EQ(error.Fault(), JournalFault::NewerSchema);
    }
    EXPECT_EQ(SqliteConnection(path).Query("SELECT COUNT(*) FROM units", {}).at(0).at(0), "1");

    const std::string other = folder.File("other.db");
    SqliteConnection(other, SqliteOpening::Create).Query("CREATE TABLE units (name TEXT)", {});
    EXPECT_THROW(OpenJournal(other), JournalError);
    EXPECT_FALSE(SqliteConnection(other, SqliteOpening::Inspect).HasTable("schema_version"));

    // A folder where the file should be: cannot be opened, nothing created.
    std::filesystem::create_directory(folder.File("folder.sqlite3"));
    EXPECT_THROW(OpenJournal(folder.File("folder.sqlite3")), JournalError);
}

TEST_F(JournalFileTest, CommandExportsFindsAndRefusesBadInput) {
    {
        auto journal = CreateJournal(path);
        int64_t unit = journal->BeginUnit({"line,1", "127.0.0.2", "SN1", "/fw/a.tar", "abc"});
        journal->RecordStep(unit, {"SetMacAddress", "t0", "t1", "ok", {{"更新成功", "Update Success"}}});
        auto reserved = journal->ReserveMac(0x021122334455ull, unit, {});
        journal->SetMacOutcome(0x021122334455ull, unit, reserved.token, MacState::Written);
        journal->FinishUnit(unit, kOutcomeOk);
    }
    ASSERT_EQ(Command({"export", "--csv"}), 0) << err.str();
    std::string csv = out.str();
    EXPECT_EQ(std::count(csv.begin(), csv.end(), '\n'), 2);
    EXPECT_NE(csv.find(",\"line,1\",2"), std::string::npos) << csv;
    EXPECT_NE(csv.find(",127.0.0.2,SN1,02:11:22:33:44:55,/fw/a.tar,abc,ok\r\n"), std::string::npos) << csv;

    ASSERT_EQ(Command({"export", "--json", "--since", "2000-01-01T00:00:00Z"}), 0) << err.str();
    auto units = nlohmann::json::parse(out.str());
    ASSERT_EQ(units.size(), 1u);
    EXPECT_EQ(units[0]["steps"][0]["messages"][0]["chinese"], "更新成功");
    EXPECT_EQ(units[0]["package_sha256"], "abc");

    EXPECT_EQ(Command({"find", "2:11:22:33:44:55"}), 0);
    EXPECT_NE(out.str().find("02:11:22:33:44:55 written by unit 1"), std::string::npos) << out.str();
    EXPECT_EQ(Command({"find", "SN1"}), 0);
    EXPECT_EQ(Command({"find", "SN2"}), 1);
    EXPECT_EQ(Command({"release", "02:11:22:33:44:55"}), 1); // written is final
    EXPECT_NE(err.str().find("is written"), std::string::npos);

    EXPECT_EQ(Command({"export"}), 2);
    EXPECT_EQ(Command({"export", "--csv", "--json"}), 2);
    EXPECT_EQ(Command({"export", "--csv", "--since", "yesterday"}), 2);
    EXPECT_EQ(Command({"release", "not-a-mac"}), 2);
    WriteFileBytes(path, "garbage");
    EXPECT_EQ(Command({"export", "--csv"}), 3);
    EXPECT_NE(err.str().find("not a database"), std::string::npos) << err.str();
}

} // namespace
} // namespace tarnwell::test
