// The line runner on the journal's databases themselves: a disk that fills up
// under it, and a PostgreSQL server that counts its connections.
#include "line/line_fixture.h"
#include "support/full_disk_vfs.h"
#include "support/postgres_server.h"

#include <libpq-fe.h>

using namespace tarnwell;
using namespace tarnwell::test;

namespace {

using LineRunnerJournalTest = LineFixture;

} // namespace

TEST_F(LineRunnerJournalTest, AFullDiskIsSaidInBothLanguagesWithExitTwoWheneverItHappens) {
    StartDevices(2);
    // Full from the first write, and full in the middle of the job.
    for (int64_t room : {0, 40000}) {
        SCOPED_TRACE(room);
        FullDiskVfs disk(room);
        LineRun run = Run({"--time", Addresses()[0], Addresses()[1]});
        EXPECT_EQ(run.exitStatus, 2);
        EXPECT_NE(run.err.find("磁盘已满"), std::string::npos) << run.err << run.out;
        EXPECT_NE(run.err.find("the disk is full"), std::string::npos) << run.err;
    }
}

TEST_F(LineRunnerJournalTest, OneDatabaseConnectionServesTheWholeJob) {
    PostgresServer server;
    if (!server.Running()) {
        if (server.Problem().rfind("no PostgreSQL server binaries", 0) == 0) GTEST_SKIP() << server.Problem();
        FAIL() << server.Problem();
    }
    // A station's role may hold two connections; a connection per unit would need six.
    const std::string admin = server.NewDatabase();
    const std::string database = admin.substr(0, admin.find('?')).substr(std::string("postgresql:///").size());
    PGconn* conn = PQconnectdb(admin.c_str());
    for (const std::string& sql : {std::string("CREATE ROLE station LOGIN CONNECTION LIMIT 2"),
                                  "ALTER DATABASE " + database + " OWNER TO station"})
        PQclear(PQexec(conn, sql.c_str()));
    PQfinish(conn);
    std::string url = admin;
    url.replace(url.find("user=tarnwell"), std::string("user=tarnwell").size(), "user=station");
    CreateJournal(url);

    StartDevices(6);
    std::vector<std::string> arguments{"--journal", url, "--mac", "02:00:00:00:07:00", "--time"};
    for (const auto& address : Addresses()) arguments.push_back(address);
    LineRun run = Run(arguments);
    EXPECT_EQ(run.exitStatus, 0) << run.err << run.out;
    EXPECT_EQ(OpenJournal(url)->Units("").size(), 6u);
}
