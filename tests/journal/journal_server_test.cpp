// The shared journal as a server's client: the URL's scheme in any case, an
// empty or foreign database refused, and a server that goes away waited for.
#include "journal_test_support.h"

#include <libpq-fe.h>

#include <thread>

namespace tarnwell::test {
namespace {

class JournalServerTest : public ::testing::Test {
protected:
    void SetUp() override {
        if (!server.Running()) {
            if (server.Problem().rfind("no PostgreSQL server binaries", 0) == 0) GTEST_SKIP() << server.Problem();
            FAIL() << server.Problem();
        }
    }
    void Run(const std::string& url, const std::string& sql) {
        PGconn* conn = PQconnectdb(url.c_str());
        PQclear(PQexec(conn, sql.c_str()));
        PQfinish(conn);
    }
    PostgresServer server;
};

TEST_F(JournalServerTest, SchemeInAnyCaseReachesTheDatabaseAndEmptyOrForeignOnesAreRefused) {
    const std::string url = server.NewDatabase(); // postgresql:///journalN?host=...
    try {
        OpenJournal(url);
        FAIL() << "an empty database was taken for a journal";
    } catch (const JournalError& error) {
        EXPECT_EQ(error.Fault(), JournalFault::Empty);
    }
    const std::string id = CreateJournal(url)->Identity().id;
    EXPECT_EQ(OpenJournal("POSTGRESQL" + url.substr(10))->Identity().id, id);
    EXPECT_EQ(OpenJournal("Postgres" + url.substr(10))->Identity().id, id);
    EXPECT_THROW(CreateJournal(url), JournalError);

    const std::string other = server.NewDatabase();
    Run(other, "CREATE TABLE units (name TEXT)");
    try {
        OpenJournal(other);
        FAIL() << "another program's database was taken";
    } catch (const JournalError& error) {
        EXPECT_EQ(error.Fault(), JournalFault::NotOurs);
    }
    EXPECT_THROW(CreateJournal(other), JournalError);
}

TEST_F(JournalServerTest, ALostServerHoldsCallsUntilItIsBackAndFailsClearlyAfterTheWait) {
    const std::string url = server.NewDatabase();
    CreateJournal(url);
    JournalOpening patient;
    patient.reconnectWait = std::chrono::seconds(60);
    auto journal = OpenJournal(url, patient);
    server.Stop();
    std::thread comesBack([&] {
        std::this_thread::sleep_for(std::chrono::milliseconds(1500));
        server.Start();
    });
    const auto start = std::chrono::steady_clock::now();
    EXPECT_GT(journal->BeginUnit({"s", "", "", "", ""}), 0);
    EXPECT_GE(std::chrono::steady_clock::now() - start, std::chrono::milliseconds(1000));
    comesBack.join();

    JournalOpening brief;
    brief.reconnectWait = std::chrono::seconds(1);
    auto impatient = OpenJournal(url, brief);
    server.Stop();
    try {
        impatient->BeginUnit({"s", "", "", "", ""});
        FAIL() << "a unit began with the server away";
    } catch (const JournalError& error) {
        EXPECT_EQ(error.Fault(), JournalFault::ConnectionLost);
        EXPECT_NE(std::string(error.what()).find("did not come back within 1 s"), std::string::npos) << error.what();
    }
}

} // namespace
} // namespace tarnwell::test
