// What the web view does with what it should not get: an address too long,
// a path out of its few files, a wrong token, a foreign host name, bad
// parameters, a journal that goes away. Each is that request's clear HTTP
// error, and the server goes on serving.
#include "dashboard_fixture.h"

#include "journal/journal.h"
#include "journal/journal_command.h"
#include "journal/journal_test_support.h"
#include "support/platform_limits.h"
#include "support/temp_dir.h"

#include <csignal>
#include <filesystem>
#include <fstream>
#include <sstream>

namespace tarnwell::test {
namespace {

constexpr char kToken[] = "line-7-Secret.token";

class DashboardBadInputTest : public ::testing::Test {
protected:
    void SetUp() override {
        if (const PlatformLimit limit = NoJournalDatabases()) GTEST_SKIP() << limit.reason;
        Fill(path, 3);
    }
    static void Fill(const std::string& where, int units) {
        auto journal = OpenOrMakeJournal(where);
        for (int i = 0; i < units; ++i) {
            const int64_t unit = journal->BeginUnit({"rack-1", "127.0.0.2", "SN-" + std::to_string(i), "", ""});
            journal->RecordStep(unit, {"SetSerial", JournalTimestamp(), JournalTimestamp(), kOutcomeFailed,
                                       {{"设置失败", "Set Failed!"}}});
            journal->FinishUnit(unit, kOutcomeFailed);
        }
    }
    static int Status(const RunningDashboard& view, const std::string& path, const httplib::Headers& headers = {},
                      std::string* body = nullptr, httplib::Headers* answered = nullptr) {
        auto client = view.Client();
        auto result = client.Get(path, headers);
        if (!result) return -1;
        if (body) *body = result->body;
        if (answered) *answered = result->headers;
        return result->status;
    }
    static void ExpectBilingualError(const std::string& body) {
        auto error = nlohmann::json::parse(body, nullptr, false);
        ASSERT_TRUE(error.is_object()) << body;
        EXPECT_FALSE(error["error"]["english"].get<std::string>().empty()) << body;
        EXPECT_FALSE(error["error"]["chinese"].get<std::string>().empty()) << body;
    }

    std::string TokenFile() {
        const std::string file = folder.File("token");
        std::ofstream(file) << kToken << "\n";
        return file;
    }

    TempDir folder;
    std::string path = folder.File("journal.sqlite3");
};

TEST_F(DashboardBadInputTest, AQueryOfAHundredKilobytesIsRefusedAndTheServerGoesOn) {
    RunningDashboard view(path);
    std::string body;
    EXPECT_EQ(Status(view, "/api/units?key=" + std::string(100 * 1024, 'A'), {}, &body), 414);
    ExpectBilingualError(body);
    EXPECT_EQ(Status(view, "/?" + std::string(100 * 1024, 'x')), 414);
    EXPECT_EQ(view.Json("/api/summary?since=2000-01-01")["total"], 3);
}

TEST_F(DashboardBadInputTest, PathsOutsideThePagesFilesAreNotFound) {
    RunningDashboard view(path);
    for (const std::string bad : {"/../../../../etc/passwd", "/%2e%2e/%2e%2e/%2e%2e/etc/passwd",
                                  "/app.js/../../../etc/passwd", "/..%2f..%2f..%2fetc%2fpasswd", "//etc/passwd",
                                  "/api/../../journal.sqlite3", "/journal.sqlite3", "/api", "/api/", "/api/nothing"}) {
        SCOPED_TRACE(bad);
        std::string body;
        const int status = Status(view, bad, {}, &body);
        EXPECT_TRUE(status == 404 || status == 400) << status;
        EXPECT_EQ(body.find("root:"), std::string::npos);
        EXPECT_EQ(body.find("SQLite format"), std::string::npos);
        ExpectBilingualError(body);
    }
    std::string page;
    EXPECT_EQ(Status(view, "/", {}, &page), 200);
    EXPECT_NE(page.find("产线看板"), std::string::npos);
}

TEST_F(DashboardBadInputTest, WithATokenNoPageAndNoApiAnswersWithoutIt) {
    dashboard::ServerSettings settings;
    settings.token = kToken;
    RunningDashboard view(path, settings);
    const std::string right = std::string("Bearer ") + kToken;
    for (const std::string target : {"/", "/index.html", "/app.js", "/app.css", "/icon.svg", "/api/health",
                                     "/api/dashboard", "/api/units?key=SN-1", "/api/pool", "/nothing"}) {
        SCOPED_TRACE(target);
        httplib::Headers answered;
        EXPECT_EQ(Status(view, target, {}, nullptr, &answered), 401);
        EXPECT_NE(answered.find("WWW-Authenticate"), answered.end());
        EXPECT_EQ(Status(view, target, {{"Authorization", "Bearer wrong-token-1"}}), 401);
        EXPECT_EQ(Status(view, target, {{"Authorization", right + "x"}}), 401);
        EXPECT_EQ(Status(view, target, {{"Cookie", "tarnwell_token=wrong-token-1"}}), 401);
        const char joiner = target.find('?') == std::string::npos ? '?' : '&';
        EXPECT_EQ(Status(view, target + joiner + "token=wrong-token-1"), 401);
        EXPECT_EQ(Status(view, target, {{"Authorization", right}}), target == "/nothing" ? 404 : 200);
        EXPECT_EQ(Status(view, target, {{"Cookie", std::string("a=b; tarnwell_token=") + kToken}}),
                  target == "/nothing" ? 404 : 200);
    }
    // The token in the address once: the page keeps it as a cookie and
    // leaves it out of the address.
    httplib::Headers answered;
    EXPECT_EQ(Status(view, std::string("/?token=") + kToken, {}, nullptr, &answered), 303);
    auto cookie = answered.find("Set-Cookie");
    ASSERT_NE(cookie, answered.end());
    EXPECT_NE(cookie->second.find(kToken), std::string::npos);
    EXPECT_NE(cookie->second.find("HttpOnly"), std::string::npos);
    EXPECT_NE(cookie->second.find("SameSite=Strict"), std::string::npos);
    EXPECT_EQ(answered.find("Location")->second, "/");
}

TEST_F(DashboardBadInputTest, WithoutATokenOnlyThisMachinesNamesAreAnswered) {
    RunningDashboard view(path);
    std::string body;
    EXPECT_EQ(Status(view, "/api/health", {{"Host", "journal.example.com:8088"}}, &body), 403);
    ExpectBilingualError(body);
    EXPECT_EQ(Status(view, "/", {{"Host", "192.168.1.10"}}), 403);
    EXPECT_EQ(Status(view, "/api/health", {{"Host", "localhost:" + std::to_string(view.Port())}}), 200);
    EXPECT_EQ(Status(view, "/api/health", {{"Host", "[::1]:" + std::to_string(view.Port())}}), 200);
    EXPECT_EQ(Status(view, "/api/health"), 200);
}

TEST_F(DashboardBadInputTest, BadParametersAreBadRequestsInBothLanguages) {
    RunningDashboard view(path);
    for (const std::string& bad : std::vector<std::string>
         {"/api/summary?since=yesterday", "/api/dashboard?since=2026-13", "/api/hours?since=2026-12-09%27%20OR%201=1",
          "/api/failures?since=" + std::string(40, '1'), "/api/recent-failures?limit=0",
          "/api/recent-failures?limit=201", "/api/recent-failures?limit=abc", "/api/recent-failures?limit=-1",
          "/api/dashboard?limit=99999999999999999999", "/api/units", "/api/units?key=", "/api/units?key=" + std::string(65, 'S'),
          "/api/units?key=SN%0A1", "/api/units?key=SN-1&limit=x"}) {
        SCOPED_TRACE(bad);
        std::string body;
        EXPECT_EQ(Status(view, bad, {}, &body), 400);
        ExpectBilingualError(body);
    }
    // A quote in a key is only a serial nobody has.
    EXPECT_TRUE(view.Json("/api/units?key=%27%20OR%20%271%27=%271")["units"].empty());
    EXPECT_EQ(view.Json("/api/units?key=SN-1")["units"].size(), 1u);
}

TEST_F(DashboardBadInputTest, AJournalFileThatGoesAwayIsServiceUnavailableUntilItIsBack) {
    RunningDashboard view(path);
    ASSERT_EQ(view.Json("/api/summary?since=2000-01-01")["total"], 3);
    const std::string away = folder.File("away.sqlite3");
    std::filesystem::rename(path, away);
    for (const char* target : {"/api/dashboard", "/api/health", "/api/units?key=SN-1"}) {
        SCOPED_TRACE(target);
        std::string body;
        httplib::Headers answered;
        EXPECT_EQ(Status(view, target, {}, &body, &answered), 503);
        ExpectBilingualError(body);
        EXPECT_NE(body.find("not there"), std::string::npos) << body;
        EXPECT_EQ(answered.find("Retry-After")->second, "5");
    }
    // The page itself is still served (it says the journal is away), and
    // the journal is never made afresh where it was.
    EXPECT_EQ(Status(view, "/"), 200);
    EXPECT_FALSE(std::filesystem::exists(path));
    std::filesystem::rename(away, path);
    EXPECT_EQ(view.Json("/api/summary?since=2000-01-01")["total"], 3);

    // Another journal put in its place is read afresh, not the old one's pages.
    std::filesystem::remove(path);
    Fill(path, 5);
    EXPECT_EQ(view.Json("/api/summary?since=2000-01-01")["total"], 5);
}

TEST_F(DashboardBadInputTest, APostgresServerThatStopsIsServiceUnavailableUntilItIsBack) {
    PostgresServer server;
    if (!server.Running()) {
        if (server.Problem().rfind("no PostgreSQL server binaries", 0) == 0) GTEST_SKIP() << server.Problem();
        FAIL() << server.Problem();
    }
    const std::string location = server.NewDatabase();
    Fill(location, 4);
    RunningDashboard view(location);
    ASSERT_EQ(view.Json("/api/summary?since=2000-01-01")["total"], 4);
    server.Stop();
    std::string body;
    EXPECT_EQ(Status(view, "/api/dashboard", {}, &body), 503);
    ExpectBilingualError(body);
    EXPECT_EQ(Status(view, "/api/summary"), 503);
    ASSERT_TRUE(server.Start());
    EXPECT_EQ(view.Json("/api/summary?since=2000-01-01")["total"], 4);
}

// The command itself: what it refuses before it listens.
TEST_F(DashboardBadInputTest, TheServeCommandRefusesWhatItCannotServeSafely) {
    auto run = [&](std::vector<std::string> arguments, std::string* errors = nullptr) {
        arguments.insert(arguments.begin(), {"serve", "--journal", path});
        std::ostringstream out, err;
        const int status = RunJournalCommand(arguments, out, err);
        if (errors) *errors = err.str();
        return status;
    };
    std::string errors;
    EXPECT_EQ(run({"--listen", "0.0.0.0:0"}, &errors), 2);
    EXPECT_NE(errors.find("--token"), std::string::npos) << errors;
    EXPECT_EQ(run({"--listen", "192.0.2.1:8088"}), 2);
    EXPECT_EQ(run({"--listen", "127.0.0.1"}), 2);
    EXPECT_EQ(run({"--listen", "127.0.0.1:99999"}), 2);
    EXPECT_EQ(run({"--listen", "::1:8088"}), 2);
    EXPECT_EQ(run({"--listen", "0.0.0.0:0", "--token", "short"}), 2);
    EXPECT_EQ(run({"--listen", "0.0.0.0:0", "--token", "has space in it"}), 2);
    EXPECT_EQ(run({"--token-file", folder.File("no-such-file")}), 2);
    EXPECT_EQ(run({"--mac-pool", "02:00:00:00:00:09-02:00:00:00:00:01"}), 2);
    EXPECT_EQ(run({"--mac-pool", "zz"}), 2);

    // A journal that is not there is not made.
    std::ostringstream out, err;
    const std::string missing = folder.File("missing.sqlite3");
    EXPECT_EQ(RunJournalCommand({"serve", "--journal", missing, "--listen", "127.0.0.1:0"}, out, err), 3);
    EXPECT_NE(err.str().find("not there"), std::string::npos) << err.str();
    EXPECT_FALSE(std::filesystem::exists(missing));
    const std::string foreign = folder.File("foreign.txt");
    std::ofstream(foreign) << "not a journal\n";
    EXPECT_EQ(RunJournalCommand({"serve", "--journal", foreign, "--listen", "127.0.0.1:0"}, out, err), 3);
}

// The program as a line runs it: it says where it listens, serves, and ends
// in order on SIGTERM.
TEST_F(DashboardBadInputTest, TheServeProgramServesUntilSigterm) {
    const std::string output = folder.File("serve.out");
    const pid_t pid = Spawn(BuiltProgram("tarnwell-journal"),
                            {"serve", "--journal", path, "--listen", "127.0.0.1:0", "--token-file", TokenFile()}, {},
                            output);
    ASSERT_GT(pid, 0);
    int port = 0;
    for (int i = 0; i < 500 && port == 0; ++i) {
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
        std::ifstream file(output);
        std::string text((std::istreambuf_iterator<char>(file)), std::istreambuf_iterator<char>());
        const size_t at = text.find("http://127.0.0.1:");
        if (at != std::string::npos && text.find('/', at + 17) != std::string::npos)
            port = std::stoi(text.substr(at + 17));
    }
    ASSERT_GT(port, 0);
    httplib::Client client("127.0.0.1", port);
    auto refused = client.Get("/api/health");
    ASSERT_TRUE(refused);
    EXPECT_EQ(refused->status, 401);
    auto health = client.Get("/api/health", {{"Authorization", std::string("Bearer ") + kToken}});
    ASSERT_TRUE(health);
    EXPECT_EQ(health->status, 200);
    ::kill(pid, SIGTERM);
    EXPECT_EQ(WaitFor(pid), 0);
}

} // namespace
} // namespace tarnwell::test
