// The JSON API against a journal that a real line run filled on simulated
// devices, on SQLite and on PostgreSQL: every figure is the journal's own.
#include "dashboard_fixture.h"

#include "journal/journal.h"
#include "journal/journal_schema.h"
#include "journal/journal_test_support.h"
#include "journal/mac_number.h"
#include "line/line_fixture.h"

#include <map>
#include <set>

namespace tarnwell::test {
namespace {

constexpr char kAllTime[] = "?since=2000-01-01";
constexpr uint64_t kFirstMac = 0x020000000500ull;

class DashboardApiTest : public LineFixture, public ::testing::WithParamInterface<Backend> {
protected:
    void SetUp() override {
        LineFixture::SetUp();
        if (IsSkipped()) return;
        if (GetParam() == Backend::Postgres) {
            PostgresServer& server = SharedPostgres();
            if (!server.Running()) {
                if (server.Problem().rfind("no PostgreSQL server binaries", 0) == 0) GTEST_SKIP() << server.Problem();
                FAIL() << server.Problem();
            }
            settings.units.journal.location = server.NewDatabase();
            CreateJournal(settings.units.journal.location);
        }
        // Three units that pass, one whose web CGI refuses the serial, one
        // with no device at its address.
        StartDevices(4);
        webs[2]->SetScript(sim::WebCgiScript::Status(500, sim::OkPlace::Nowhere));
        std::vector<std::string> arguments{"--time", "--mac", FormatMacNumber(kFirstMac), "--serial", "SN-{01}",
                                           "--web-port", std::to_string(webPort), "--station", "rack-3"};
        for (const auto& address : Addresses()) arguments.push_back(address);
        absent = UnusedLoopbackAddress();
        arguments.push_back(absent);
        LineRun run = Run(arguments);
        ASSERT_EQ(run.exitStatus, 1) << run.err << run.out;
        journal = OpenJournal(Location());
        units = journal->Units("");
        ASSERT_EQ(units.size(), 5u);
    }
    const std::string& Location() const { return settings.units.journal.location; }
    std::vector<UnitRecord> Failed() const {
        std::vector<UnitRecord> failed;
        for (const auto& unit : units)
            if (unit.outcome == kOutcomeFailed) failed.push_back(unit);
        return failed;
    }
    dashboard::ServerSettings WithPool() const {
        dashboard::ServerSettings server;
        server.pool = {kFirstMac, kFirstMac + 0xFF};
        return server;
    }

    std::string absent;
    std::unique_ptr<Journal> journal;
    std::vector<UnitRecord> units;
};

TEST_P(DashboardApiTest, CountsByOutcomeHourAndStationAreTheJournals) {
    RunningDashboard view(Location());
    auto summary = view.Json(std::string("/api/summary") + kAllTime);
    std::map<std::string, int64_t> expected{{"ok", 0}, {"failed", 0}, {"running", 0}};
    for (const auto& unit : units) ++expected[unit.outcome];
    EXPECT_EQ(summary["total"], 5);
    EXPECT_EQ(summary["outcomes"].get<decltype(expected)>(), expected);
    EXPECT_EQ(expected["ok"], 3);
    EXPECT_EQ(expected["failed"], 2);

    auto hours = view.Json(std::string("/api/hours") + kAllTime)["hours"];
    int64_t counted = 0;
    for (const auto& hour : hours) {
        EXPECT_EQ(hour["station"], "rack-3");
        EXPECT_EQ(hour["hour"].get<std::string>().size(), std::string("2026-12-09T08:00:00Z").size());
        counted += hour["units"].get<int64_t>();
    }
    EXPECT_EQ(counted, 5);

    // Today's window (the default) holds them too; a window in the future nothing.
    EXPECT_EQ(view.Json("/api/summary")["total"], 5);
    EXPECT_EQ(view.Json("/api/summary?since=2999-01-01")["total"], 0);
    EXPECT_TRUE(view.Json("/api/hours?since=2999-01-01T00:00:00.000Z")["hours"].empty());
}

TEST_P(DashboardApiTest, FailuresByStepAndKindAndTheLastFailuresAreTheJournals) {
    RunningDashboard view(Location());
    std::multiset<std::pair<std::string, std::string>> expected;
    std::map<int64_t, std::pair<std::string, std::string>> firstFailed;
    for (const auto& unit : Failed()) {
        for (const auto& step : journal->Steps(unit.id)) {
            if (step.result == kOutcomeOk) continue;
            const std::string english = step.messages.empty() ? "" : step.messages.front().english;
            expected.insert({step.step, english});
            if (!firstFailed.count(unit.id)) firstFailed[unit.id] = {step.step, english};
        }
    }
    ASSERT_FALSE(expected.empty());
    std::multiset<std::pair<std::string, std::string>> shown;
    const auto kinds = view.Json(std::string("/api/failures") + kAllTime)["failure_kinds"];
    for (const auto& kind : kinds)
        for (int64_t i = 0; i < kind["steps"].get<int64_t>(); ++i)
            shown.insert({kind["step"].get<std::string>(), kind["message"]["english"].get<std::string>()});
    EXPECT_EQ(shown, expected);
    // The refused serial and the absent device are both there.
    std::set<std::string> failedSteps;
    for (const auto& [step, english] : shown) failedSteps.insert(step);
    EXPECT_TRUE(failedSteps.count("SetSerial"));
    EXPECT_TRUE(failedSteps.count("SetMacAddress"));

    auto recent = view.Json("/api/recent-failures")["failures"];
    ASSERT_EQ(recent.size(), 2u);
    EXPECT_GE(recent[0]["started_at"].get<std::string>(), recent[1]["started_at"].get<std::string>());
    std::set<std::string> addresses;
    for (const auto& failure : recent) {
        const int64_t id = failure["unit"];
        ASSERT_TRUE(firstFailed.count(id)) << id;
        EXPECT_EQ(failure["step"], firstFailed[id].first);
        EXPECT_EQ(failure["message"]["english"], firstFailed[id].second);
        EXPECT_EQ(failure["station"], "rack-3");
        EXPECT_FALSE(failure["message"]["chinese"].get<std::string>().empty());
        addresses.insert(failure["address"]);
    }
    EXPECT_EQ(addresses, (std::set<std::string>{devices[2]->Address(), absent}));
    EXPECT_EQ(view.Json("/api/recent-failures?limit=1")["failures"].size(), 1u);
}

TEST_P(DashboardApiTest, ThePoolShowsUsedFreeAndWhenItRunsOut) {
    RunningDashboard view(Location(), WithPool());
    uint64_t highest = 0;
    for (const auto& entry : journal->Macs()) highest = std::max(highest, entry.mac);
    auto pool = view.Json("/api/pool");
    EXPECT_EQ(pool["first"], FormatMacNumber(kFirstMac));
    EXPECT_EQ(pool["last"], FormatMacNumber(kFirstMac + 0xFF));
    EXPECT_EQ(pool["highest"], FormatMacNumber(highest));
    EXPECT_EQ(pool["used"], highest - kFirstMac + 1);
    EXPECT_EQ(pool["free"], kFirstMac + 0xFF - highest);
    EXPECT_EQ(pool["reserved"], 0);
    // Every unit of the run got its MAC within the last hour.
    EXPECT_EQ(pool["last_hour"], 5);
    ASSERT_TRUE(pool["runs_out_at"].is_string());
    EXPECT_GT(pool["runs_out_at"].get<std::string>(), pool["now"].get<std::string>());

    // Without a pool the figures say what they can.
    RunningDashboard unbounded(Location());
    auto open = unbounded.Json("/api/pool");
    EXPECT_EQ(open["first"], FormatMacNumber(kFirstMac));
    EXPECT_TRUE(open["last"].is_null());
    EXPECT_TRUE(open["free"].is_null());
    EXPECT_TRUE(open["runs_out_at"].is_null());
}

TEST_P(DashboardApiTest, AUnitsWholeHistoryByMacOrSerial) {
    RunningDashboard view(Location());
    const UnitRecord& refused = *std::find_if(units.begin(), units.end(),
                                              [&](const UnitRecord& unit) { return unit.address == devices[2]->Address(); });
    for (const std::string& key : {refused.mac, refused.serial}) {
        SCOPED_TRACE(key);
        auto history = view.Json("/api/units?key=" + httplib::detail::encode_query_param(key));
        ASSERT_EQ(history["units"].size(), 1u);
        const auto& unit = history["units"][0];
        EXPECT_EQ(unit["unit"], refused.id);
        EXPECT_EQ(unit["outcome"], kOutcomeFailed);
        auto steps = journal->Steps(refused.id);
        ASSERT_EQ(unit["steps"].size(), steps.size());
        for (size_t i = 0; i < steps.size(); ++i) {
            EXPECT_EQ(unit["steps"][i]["step"], steps[i].step);
            EXPECT_EQ(unit["steps"][i]["result"], steps[i].result);
            EXPECT_EQ(unit["steps"][i]["messages"].size(), steps[i].messages.size());
        }
    }
    auto byMac = view.Json("/api/units?key=" + httplib::detail::encode_query_param(refused.mac));
    EXPECT_EQ(byMac["mac"]["state"], "written");
    EXPECT_EQ(byMac["mac"]["unit"], refused.id);
    // A MAC in another spelling is the same address.
    std::string lower = refused.mac;
    for (char& c : lower) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    EXPECT_EQ(view.Json("/api/units?key=" + httplib::detail::encode_query_param(lower))["units"].size(), 1u);

    auto nothing = view.Json("/api/units?key=SN-none");
    EXPECT_TRUE(nothing["units"].empty());
    EXPECT_TRUE(nothing["mac"].is_null());
}

TEST_P(DashboardApiTest, ThePagesOneAnswerAgreesWithTheSeparateOnes) {
    RunningDashboard view(Location(), WithPool());
    auto all = view.Json(std::string("/api/dashboard") + kAllTime);
    EXPECT_EQ(all["schema_version"], LatestJournalVersion(GetParam() == Backend::Sqlite ? SqlDialect::Sqlite
                                                                                        : SqlDialect::Postgres));
    auto summary = view.Json(std::string("/api/summary") + kAllTime);
    EXPECT_EQ(all["units"]["outcomes"], summary["outcomes"]);
    EXPECT_EQ(all["hours"], view.Json(std::string("/api/hours") + kAllTime)["hours"]);
    EXPECT_EQ(all["failure_kinds"], view.Json(std::string("/api/failures") + kAllTime)["failure_kinds"]);
    EXPECT_EQ(all["recent_failures"], view.Json("/api/recent-failures")["failures"]);
    auto pool = view.Json("/api/pool");
    for (const char* field : {"first", "last", "highest", "used", "free", "reserved", "last_hour"})
        EXPECT_EQ(all["pool"][field], pool[field]) << field;
    auto health = view.Json("/api/health");
    EXPECT_EQ(health["status"], "ok");
}

TEST_P(DashboardApiTest, TheServerWritesNothing) {
    RunningDashboard view(Location());
    auto client = view.Client();
    for (const char* method : {"POST", "PUT", "DELETE", "PATCH"}) {
        SCOPED_TRACE(method);
        httplib::Request request;
        request.method = method;
        request.path = "/api/units?key=SN-01";
        request.body = "{}";
        httplib::Response response;
        httplib::Error error = httplib::Error::Success;
        ASSERT_TRUE(client.send(request, response, error)) << httplib::to_string(error);
        EXPECT_EQ(response.status, 405);
        EXPECT_EQ(response.get_header_value("Allow"), "GET, HEAD");
    }
    // Its connections refuse a write even if one were tried.
    auto reader = OpenJournalReader(Location());
    EXPECT_THROW(reader->Query("UPDATE units SET outcome = 'ok'", {}), JournalError);
    reader->BeginRead();
    EXPECT_THROW(reader->Query("DELETE FROM steps", {}), JournalError);
    reader->Rollback();
    EXPECT_EQ(journal->Units("").size(), 5u);
    EXPECT_EQ(OpenJournal(Location())->Units("").at(2).outcome, units.at(2).outcome);
}

INSTANTIATE_TEST_SUITE_P(Backends, DashboardApiTest, ::testing::Values(Backend::Sqlite, Backend::Postgres),
                         BackendName);

} // namespace
} // namespace tarnwell::test
