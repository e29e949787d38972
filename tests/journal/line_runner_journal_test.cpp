// The line runner on the journal's databases themselves: a disk that fills up
// under it, a PostgreSQL server that counts its connections or goes away.
#include "line/line_fixture.h"
#include "support/forwarding_journal.h"
#include "support/full_disk_vfs.h"
#include "support/postgres_server.h"

#include <libpq-fe.h>

#include <atomic>
#include <thread>

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

// The server goes away as the first unit begins and comes back 1.5 s later:
// the units wait for it instead of failing, and the job ends well.
class ServerAwayOnce : public ForwardingJournal {
public:
    ServerAwayOnce(std::shared_ptr<Journal> inner, PostgresServer& server)
        : ForwardingJournal(std::move(inner)), server_(server) {}
    ~ServerAwayOnce() override {
        if (back_.joinable()) back_.join();
    }
    int64_t BeginUnit(const UnitStart& unit) override {
        if (!away_.exchange(true)) {
            server_.Stop();
            back_ = std::thread([this] {
                std::this_thread::sleep_for(std::chrono::milliseconds(1500));
                server_.Start();
            });
        }
        return inner_->BeginUnit(unit);
    }

private:
    PostgresServer& server_;
    std::atomic<bool> away_{false};
    std::thread back_;
};

TEST_F(LineRunnerJournalTest, UnitsWaitForAServerThatWentAwayAndCarryOnWhenItIsBack) {
    PostgresServer server;
    if (!server.Running()) {
        if (server.Problem().rfind("no PostgreSQL server binaries", 0) == 0) GTEST_SKIP() << server.Problem();
        FAIL() << server.Problem();
    }
    const std::string url = server.NewDatabase();
    CreateJournal(url);
    JournalOpening patient;
    patient.reconnectWait = std::chrono::seconds(60);
    settings.units.journal.shared = std::make_shared<ServerAwayOnce>(OpenJournal(url, patient), server);

    StartDevices(3);
    std::vector<std::string> arguments{"--journal", url, "--mac", "02:00:00:00:08:00", "--time"};
    for (const auto& address : Addresses()) arguments.push_back(address);
    const auto start = std::chrono::steady_clock::now();
    LineRun run = Run(arguments);
    EXPECT_EQ(run.exitStatus, 0) << run.err << run.out;
    EXPECT_GE(std::chrono::steady_clock::now() - start, std::chrono::milliseconds(1400));
    settings.units.journal.shared.reset();
    auto journal = OpenJournal(url);
    EXPECT_EQ(journal->Units("").size(), 3u);
    for (uint64_t mac = 0x020000000800ull; mac <= 0x020000000802ull; ++mac)
        EXPECT_EQ(journal->LookupMac(mac)->state, MacState::Written);
}
