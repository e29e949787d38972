// The line's web view on a journal of a million units, made by a generator
// (not by runs): 120 days of four stations, two steps a unit, a MAC each.
//
// For each back end (SQLite; PostgreSQL when its server binaries are here)
// it starts `tarnwell-journal serve` as a program, then measures
//   - the page's first load over HTTP: the page, its style, script and icon,
//     and the figures it asks for, on a fresh connection; cold (the first
//     request the server ever answers) and warm (median of 20);
//   - the page in headless Chromium (when installed): navigation to the
//     figures drawn, in a fresh tab of a running browser;
//   - every API query, 30 times each: median, 95th percentile and maximum;
//   - the server's peak memory (VmHWM) after all of it;
// and prints the query plan (EXPLAIN) of every statement the view runs.
// Targets: first load over HTTP <= 200 ms, every API query <= 50 ms, RSS
// <= 64 MiB; the exit status is 1 when one is missed. The load in Chromium
// is printed beside them against the same 200 ms. TARNWELL_DASHBOARD_UNITS
// makes a smaller journal for a quick look.
#include "journal/journal.h"
#include "journal/journal_view.h"
#include "journal/postgres_connection.h"
#include "journal/sqlite_connection.h"
#include "support/headless_browser.h"
#include "support/postgres_server.h"
#include "support/temp_dir.h"

#include <httplib.h>

#include <algorithm>
#include <chrono>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <fcntl.h>
#include <fstream>
#include <map>
#include <spawn.h>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>

using namespace tarnwell;
using Clock = std::chrono::steady_clock;

extern char** environ;

namespace {

constexpr double kFirstLoadTargetMs = 200, kQueryTargetMs = 50, kRssTargetMiB = 64;
constexpr int64_t kDays = 120;
constexpr char kPool[] = "02:00:00:00:00:00-02:00:00:1F:FF:FF";

double Ms(Clock::duration duration) { return std::chrono::duration<double, std::milli>(duration).count(); }

double Percentile(std::vector<double> values, double fraction) {
    std::sort(values.begin(), values.end());
    const size_t index = std::min(values.size() - 1, static_cast<size_t>(fraction * static_cast<double>(values.size())));
    return values[index];
}

int64_t UnitCount() {
    if (const char* text = std::getenv("TARNWELL_DASHBOARD_UNITS"); text && *text) return std::atoll(text);
    return 1000000;
}

// Units every (kDays days / count) seconds up to now: the last ones still
// running, one in 33 failed at its serial, each with its MAC from the pool.
// `epoch` and `iso` turn seconds since 1970 into the journal's text.
std::vector<std::string> Generator(int64_t count, bool postgres) {
    const int64_t now = std::chrono::duration_cast<std::chrono::seconds>(
                            std::chrono::system_clock::now().time_since_epoch()).count();
    const double step = static_cast<double>(kDays * 86400) / static_cast<double>(count);
    const std::string start = std::to_string(now - kDays * 86400), gap = std::to_string(step);
    auto iso = [&](const std::string& seconds) {
        return postgres ? "to_char(to_timestamp(" + seconds + ") AT TIME ZONE 'UTC', 'YYYY-MM-DD\"T\"HH24:MI:SS.MS\"Z\"')"
                        : "strftime('%Y-%m-%dT%H:%M:%fZ', " + seconds + ", 'unixepoch')";
    };
    const std::string series = postgres ? "FROM generate_series(0, " + std::to_string(count - 1) + ") AS n(i)"
                                        : "FROM n";
    const std::string prefix = postgres ? "" : "WITH RECURSIVE n(i) AS (SELECT 0 UNION ALL SELECT i + 1 FROM n WHERE i < " +
                                                   std::to_string(count - 1) + ") ";
    const std::string at = start + " + i * " + gap;
    const std::string hex = postgres ? "upper(lpad(to_hex(i), 6, '0'))" : "printf('%06X', i)";
    const std::string serial = postgres ? "'SN-' || lpad(i::text, 7, '0')" : "printf('SN-%07d', i)";
    const std::string mac = "'02:00:00:' || substr(" + hex + ", 1, 2) || ':' || substr(" + hex + ", 3, 2) || ':' || substr(" +
                            hex + ", 5, 2)";
    const std::string last = std::to_string(count - 3);
    const std::string outcome = "CASE WHEN i >= " + last + " THEN 'running' WHEN i % 33 = 0 THEN 'failed' ELSE 'ok' END";
    const std::string station = "'rack-' || (i % 4 + 1)";
    return {
        prefix + "INSERT INTO units (id, station, started_at, ended_at, address, serial, mac, package_path, "
                 "package_sha256, outcome) SELECT i + 1, " + station + ", " + iso(at) + ", CASE WHEN i >= " + last +
            " THEN '' ELSE " + iso(at + " + 90") + " END, '127.0.0.' || (i % 200 + 2), " + serial + ", " + mac +
            ", '/srv/firmware/package-2.0.tar', 'c0ffee', " + outcome + " " + series,
        prefix + "INSERT INTO steps (unit_id, step, started_at, ended_at, result, messages) SELECT i + 1, "
                 "'SetMacAddress', " + iso(at) + ", " + iso(at + " + 1") + ", 'ok', '[]' " + series,
        prefix + "INSERT INTO steps (unit_id, step, started_at, ended_at, result, messages) SELECT i + 1, 'SetSerial', " +
            iso(at + " + 2") + ", " + iso(at + " + 3") + ", CASE WHEN i % 33 = 0 AND i < " + last +
            " THEN 'failed' ELSE 'ok' END, CASE WHEN i % 33 = 0 AND i < " + last +
            " THEN '[{\"chinese\":\"设置失败 CGI\",\"english\":\"Set Failed CGI\"}]' ELSE '[]' END " + series,
        prefix + "INSERT INTO macs (mac, state, unit_id, station, updated_at) SELECT " +
            std::to_string(0x020000000000ll) + " + i, CASE WHEN i >= " + last +
            " THEN 'reserved' WHEN i % 33 = 0 THEN 'failed' ELSE 'written' END, i + 1, " + station + ", " +
            iso(at + " + 1") + " " + series,
    };
}

void Generate(SqlConnection& connection, int64_t count, bool postgres) {
    const auto started = Clock::now();
    connection.Begin(SqlConnection::Write::Record);
    for (const auto& statement : Generator(count, postgres)) connection.Query(statement, {});
    if (postgres) connection.Query("SELECT setval(pg_get_serial_sequence('units', 'id'), $1)", {count});
    connection.Commit();
    // What a server's autovacuum would do in its own time, done before measuring.
    connection.Query(postgres ? "VACUUM ANALYZE" : "ANALYZE", {});
    std::printf("generated %lld units, %lld steps, %lld MACs in %.1f s\n", static_cast<long long>(count),
                static_cast<long long>(2 * count), static_cast<long long>(count),
                std::chrono::duration<double>(Clock::now() - started).count());
}

bool ExplainAll(SqlConnection& connection, bool postgres, const std::string& since, const std::string& hourAgo) {
    bool indexed = true;
    for (const auto& statement : ExplainedStatements(since, hourAgo)) {
        std::printf("  %s\n", statement.name.c_str());
        auto rows = connection.Query((postgres ? "EXPLAIN " : "EXPLAIN QUERY PLAN ") + statement.sql, statement.parameters);
        for (const auto& row : rows) {
            const std::string line = (postgres ? row.at(0) : row.at(3)).value_or("");
            // A scan of a whole table: SQLite's "SCAN units" without an index, PostgreSQL's "Seq Scan".
            const bool full = postgres ? line.find("Seq Scan") != std::string::npos
                                       : line.rfind("SCAN ", 0) == 0 && line.find(" USING ") == std::string::npos &&
                                             line != "SCAN CONSTANT ROW";
            if (full) indexed = false;
            std::printf("      %s%s\n", line.c_str(), full ? "   <-- full scan" : "");
        }
    }
    return indexed;
}

struct Serve {
    pid_t pid = -1;
    int port = 0;
};

Serve StartServe(const std::string& journal, const std::string& log) {
    const std::string program = std::string(TARNWELL_BIN_DIR) + "/tarnwell-journal";
    std::vector<std::string> arguments{program, "serve", "--journal", journal, "--listen", "127.0.0.1:0", "--mac-pool", kPool};
    std::vector<char*> argv;
    for (auto& argument : arguments) argv.push_back(argument.data());
    argv.push_back(nullptr);
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, 1, log.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
    posix_spawn_file_actions_adddup2(&actions, 1, 2);
    Serve serve;
    if (posix_spawn(&serve.pid, program.c_str(), &actions, nullptr, argv.data(), environ) != 0) serve.pid = -1;
    posix_spawn_file_actions_destroy(&actions);
    for (int i = 0; i < 3000 && serve.pid > 0 && serve.port == 0; ++i) {
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
        std::ifstream file(log);
        std::string text((std::istreambuf_iterator<char>(file)), std::istreambuf_iterator<char>());
        const size_t at = text.find("http://127.0.0.1:");
        if (at != std::string::npos && text.find('/', at + 17) != std::string::npos) serve.port = std::stoi(text.substr(at + 17));
    }
    return serve;
}

double PeakRssMiB(pid_t pid) {
    std::ifstream status("/proc/" + std::to_string(pid) + "/status");
    for (std::string line; std::getline(status, line);)
        if (line.rfind("VmHWM:", 0) == 0) return std::atof(line.c_str() + 6) / 1024.0;
    return -1;
}

std::string LocalMidnight() {
    std::time_t seconds = std::time(nullptr);
    std::tm local{};
    localtime_r(&seconds, &local);
    local.tm_hour = local.tm_min = local.tm_sec = 0;
    local.tm_isdst = -1;
    return JournalTimestamp(std::chrono::system_clock::from_time_t(std::mktime(&local)));
}

// The page as a browser first loads it: four files and the figures.
double FirstLoadMs(int port, const std::string& since) {
    httplib::Client client("127.0.0.1", port);
    const auto started = Clock::now();
    for (const std::string& path : std::vector<std::string>{"/", "/app.css", "/app.js", "/icon.svg", "/api/dashboard?since=" + since}) {
        auto answer = client.Get(path);
        if (!answer || answer->status != 200) return 1e9;
    }
    return Ms(Clock::now() - started);
}

bool Measure(const char* backend, const std::string& journal, int64_t count, test::TempDir& folder) {
    std::printf("\n== %s\n", backend);
    bool met = true;
    Serve serve = StartServe(journal, folder.File(std::string(backend) + "-serve.log"));
    if (serve.port == 0) {
        std::printf("tarnwell-journal serve did not start\n");
        return false;
    }
    const std::string since = LocalMidnight();
    const std::string sinceParam = httplib::detail::encode_query_param(since);
    const double cold = FirstLoadMs(serve.port, sinceParam);
    std::vector<double> warm;
    for (int i = 0; i < 20; ++i) warm.push_back(FirstLoadMs(serve.port, sinceParam));
    const double warmMedian = Percentile(warm, 0.5), warmMax = Percentile(warm, 1.0);
    const bool loadMet = cold <= kFirstLoadTargetMs && warmMax <= kFirstLoadTargetMs;
    met = met && loadMet;
    std::printf("page's first load over HTTP: cold %.1f ms, warm median %.1f ms, max %.1f ms (target %.0f) %s\n", cold,
                warmMedian, warmMax, kFirstLoadTargetMs, loadMet ? "met" : "MISSED");

    if (!test::HeadlessBrowser::Program().empty()) {
        // The first load in a new tab starts a renderer process; after it the
        // page is loaded afresh in that tab, as a supervisor opens it again.
        test::HeadlessBrowser browser;
        const std::string url = "http://127.0.0.1:" + std::to_string(serve.port) + "/";
        const std::string loaded = "document.body && document.body.dataset.loaded === '1'";
        std::vector<double> drawn;
        double firstTab = -1;
        if (browser.Started() && browser.Open(url, "zh-CN") && browser.WaitFor(loaded, std::chrono::seconds(20)))
            firstTab = browser.Evaluate("Number(document.body.dataset.firstLoadMs)").get<double>();
        for (int i = 0; i < 9 && firstTab >= 0; ++i) {
            if (!browser.Navigate("about:blank") || !browser.WaitFor("location.href === 'about:blank'", std::chrono::seconds(10)) ||
                !browser.Navigate(url) || !browser.WaitFor(loaded, std::chrono::seconds(20)))
                break;
            drawn.push_back(browser.Evaluate("Number(document.body.dataset.firstLoadMs)").get<double>());
            auto steps = browser.Evaluate(
                "(() => { const n = performance.getEntriesByType('navigation')[0];"
                " const api = performance.getEntriesByType('resource').find((r) => r.name.includes('/api/dashboard'));"
                " return [n.responseEnd, n.domContentLoadedEventEnd, api ? api.responseEnd : -1,"
                " Number(document.body.dataset.renderMs)]; })()");
            if (steps.is_array() && i < 3)
                std::printf("  load %d: page received %.0f ms, DOM ready %.0f ms, figures received %.0f ms, drawn in "
                            "%.0f ms\n", i + 1, steps[0].get<double>(), steps[1].get<double>(), steps[2].get<double>(),
                            steps[3].get<double>());
        }
        if (drawn.size() == 9) {
            // Reported, not a gate: most of it is the browser's own work, and
            // on two cores it follows whatever else the machine is doing.
            const double median = Percentile(drawn, 0.5);
            std::printf("page in Chromium, navigation to figures drawn: first tab %.0f ms; loaded again: median %.0f ms, "
                        "best %.0f, worst %.0f (%s %.0f ms)\n", firstTab, median, Percentile(drawn, 0.0),
                        Percentile(drawn, 1.0), median <= kFirstLoadTargetMs ? "within" : "over", kFirstLoadTargetMs);
        } else {
            std::printf("page in Chromium: not measured (%s)\n", browser.Problem().c_str());
        }
    }

    const uint64_t someMac = 0x020000000000ull + static_cast<uint64_t>(count / 2);
    char macText[32];
    std::snprintf(macText, sizeof macText, "02:00:00:%02X:%02X:%02X", unsigned(someMac >> 16) & 0xFF,
                  unsigned(someMac >> 8) & 0xFF, unsigned(someMac) & 0xFF);
    char serialText[32];
    std::snprintf(serialText, sizeof serialText, "SN-%07lld", static_cast<long long>(count / 3));
    const std::vector<std::string> queries{
        "/api/summary?since=" + sinceParam, "/api/hours?since=" + sinceParam, "/api/failures?since=" + sinceParam,
        "/api/pool", "/api/recent-failures", "/api/units?key=" + std::string(serialText),
        "/api/units?key=" + httplib::detail::encode_query_param(macText), "/api/dashboard?since=" + sinceParam,
        "/api/health", "/api/summary?since=" + httplib::detail::encode_query_param(JournalTimestamp(
                                        std::chrono::system_clock::now() - std::chrono::hours(24 * 7)))};
    std::printf("%-58s %8s %8s %8s\n", "API query", "median", "p95", "max ms");
    httplib::Client client("127.0.0.1", serve.port);
    for (const auto& query : queries) {
        std::vector<double> times;
        size_t bytes = 0;
        for (int i = 0; i < 30; ++i) {
            const auto started = Clock::now();
            auto answer = client.Get(query);
            times.push_back(Ms(Clock::now() - started));
            if (!answer || answer->status != 200) {
                std::printf("%s: failed\n", query.c_str());
                met = false;
                break;
            }
            bytes = answer->body.size();
        }
        const double worst = Percentile(times, 1.0);
        const bool queryMet = worst <= kQueryTargetMs;
        met = met && queryMet;
        std::printf("%-58s %8.2f %8.2f %8.2f %s (%zu bytes)\n", query.substr(0, 58).c_str(), Percentile(times, 0.5),
                    Percentile(times, 0.95), worst, queryMet ? "" : "MISSED", bytes);
    }
    const double rss = PeakRssMiB(serve.pid);
    const bool rssMet = rss > 0 && rss <= kRssTargetMiB;
    met = met && rssMet;
    std::printf("server peak RSS (VmHWM): %.1f MiB (target %.0f) %s\n", rss, kRssTargetMiB, rssMet ? "met" : "MISSED");
    ::kill(serve.pid, SIGTERM);
    int status = 0;
    ::waitpid(serve.pid, &status, 0);
    return met;
}

} // namespace

// Other work on this machine shows in every figure: the load is printed beside them.
std::string LoadAverage() {
    std::ifstream file("/proc/loadavg");
    std::string one, five;
    file >> one >> five;
    return one + " (1 min), " + five + " (5 min)";
}

int main() {
    const int64_t count = UnitCount();
    std::printf("load average at start: %s\n", LoadAverage().c_str());
    test::TempDir folder;
    bool met = true;
    const std::string since = LocalMidnight();
    const std::string hourAgo = JournalTimestamp(std::chrono::system_clock::now() - std::chrono::hours(1));

    const std::string file = folder.File("journal.sqlite3");
    CreateJournal(file); // the schema, by the journal's own migration
    {
        SqliteConnection connection(file);
        std::printf("== SQLite journal\n");
        Generate(connection, count, false);
        std::printf("query plans (EXPLAIN QUERY PLAN):\n");
        if (!ExplainAll(connection, false, since, hourAgo)) {
            std::printf("a statement scans a whole table\n");
            met = false;
        }
    }
    met = Measure("SQLite", file, count, folder) && met;

    test::PostgresServer server;
    if (!server.Running()) {
        std::printf("\nPostgreSQL: not measured (%s)\n", server.Problem().c_str());
    } else {
        const std::string location = server.NewDatabase();
        CreateJournal(location);
        PostgresConnection connection(location);
        std::printf("\n== PostgreSQL journal\n");
        Generate(connection, count, true);
        std::printf("query plans (EXPLAIN):\n");
        if (!ExplainAll(connection, true, since, hourAgo)) {
            std::printf("a statement scans a whole table\n");
            met = false;
        }
        met = Measure("PostgreSQL", location, count, folder) && met;
    }
    std::printf("\nload average at the end: %s\n", LoadAverage().c_str());
    std::printf("%s\n", met ? "every target met" : "a target was MISSED");
    return met ? 0 : 1;
}
