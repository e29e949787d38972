// The web view's small parts: addresses, hosts, pools, times, the page as
// one answer, and an older journal brought up to the newest indices.
#include "dashboard_fixture.h"

#include "dashboard/dashboard_figures.h"
#include "dashboard/listen_address.h"
#include "dashboard/page_assembly.h"
#include "journal/journal_schema.h"
#include "journal/sql_journal.h"
#include "journal/sqlite_connection.h"
#include "protocol/sha256.h"
#include "support/platform_limits.h"
#include "support/temp_dir.h"


namespace tarnwell::test {
namespace {

using namespace tarnwell::dashboard;

TEST(DashboardParts, ListenAddressesAreHostAndPort) {
    auto plain = ParseListenAddress("127.0.0.1:8088");
    ASSERT_TRUE(plain);
    EXPECT_EQ(plain->host, "127.0.0.1");
    EXPECT_EQ(plain->port, 8088);
    auto six = ParseListenAddress("[::1]:0");
    ASSERT_TRUE(six);
    EXPECT_EQ(six->host, "::1");
    EXPECT_EQ(six->port, 0);
    EXPECT_EQ(ParseListenAddress("0.0.0.0:80")->host, "0.0.0.0");
    for (const char* bad : {"", ":8088", "127.0.0.1", "127.0.0.1:", "127.0.0.1:65536", "127.0.0.1:80a", "::1:8088",
                            "[::1:8088", "[nonsense]:80", "[]:80", "127.0.0.1:1234567"})
        EXPECT_FALSE(ParseListenAddress(bad)) << bad;
}

TEST(DashboardParts, OnlyLoopbackIsThisMachineOnly) {
    for (const char* host : {"127.0.0.1", "127.1.2.3", "::1", "localhost"}) EXPECT_TRUE(IsLoopbackHost(host)) << host;
    for (const char* host : {"0.0.0.0", "10.0.0.1", "128.0.0.1", "::", "localhost.example.com", "", "127.0.0.1x"})
        EXPECT_FALSE(IsLoopbackHost(host)) << host;
    EXPECT_EQ(HostOfHeader("127.0.0.1:8088"), "127.0.0.1");
    EXPECT_EQ(HostOfHeader("[::1]:8088"), "::1");
    EXPECT_EQ(HostOfHeader("localhost"), "localhost");
    EXPECT_EQ(HostOfHeader("[::1"), "");
}

TEST(DashboardParts, PoolsAreTwoMacsInOrder) {
    auto pool = ParseMacPool("02:00:00:00:00:01-02:00:00:00:03:e8");
    ASSERT_TRUE(pool);
    EXPECT_EQ(*pool->first, 0x020000000001ull);
    EXPECT_EQ(*pool->last, 0x0200000003E8ull);
    for (const char* bad : {"", "02:00:00:00:00:01", "02:00:00:00:00:09-02:00:00:00:00:01", "a-b",
                            "02:00:00:00:00:01-02:00:00:00:00:02-02:00:00:00:00:03"})
        EXPECT_FALSE(ParseMacPool(bad)) << bad;
}

TEST(DashboardParts, TimesAreTheJournalsForm) {
    for (const char* good : {"2026-12-09", "2026-12-09T08", "2026-12-09T08:00", "2026-12-09 08:00:00",
                             "2026-12-09T08:00:00.000Z"})
        EXPECT_TRUE(IsJournalTime(good)) << good;
    for (const char* bad : {"", "yesterday", "2026-12", "2026-12-09T8:00", "2026-12-09T08:00:00.0000Z", "2026-12-09'"})
        EXPECT_FALSE(IsJournalTime(bad)) << bad;
    // Today begins at the last local midnight, never after now.
    const auto now = std::chrono::system_clock::now();
    const std::string midnight = LocalMidnightBefore(now);
    EXPECT_LE(midnight, JournalTimestamp(now));
    EXPECT_GT(midnight, JournalTimestamp(now - std::chrono::hours(25)));
    auto window = WindowOf(now, std::string("2026-12-09 08:00"));
    EXPECT_EQ(window.since, "2026-12-09T08:00");
}

TEST(DashboardParts, ThePageIsOneAnswerWhoseInlinePartsThePolicyNames) {
    const AssembledPage page = AssemblePage();
    EXPECT_EQ(page.html.find("src=\"/app.js\""), std::string::npos);
    EXPECT_EQ(page.html.find("href=\"/app.css\""), std::string::npos);
    auto inside = [&](const std::string& open, const std::string& close) {
        const size_t start = page.html.find(open);
        const size_t end = page.html.find(close, start);
        return start == std::string::npos || end == std::string::npos
                   ? std::string()
                   : page.html.substr(start + open.size(), end - start - open.size());
    };
    const std::string script = inside("<script>", "</script>"), style = inside("<style>", "</style>");
    ASSERT_FALSE(script.empty());
    ASSERT_FALSE(style.empty());
    auto hashOf = [](const std::string& text) {
        const Sha256Digest digest = Sha256Of(text.data(), text.size());
        static const char alphabet[] = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";
        std::string encoded;
        for (size_t i = 0; i < digest.size(); i += 3) {
            const unsigned a = digest[i], b = i + 1 < 32 ? digest[i + 1] : 0, c = i + 2 < 32 ? digest[i + 2] : 0;
            encoded += alphabet[a >> 2];
            encoded += alphabet[((a & 3) << 4) | (b >> 4)];
            encoded += i + 1 < 32 ? alphabet[((b & 15) << 2) | (c >> 6)] : '=';
            encoded += i + 2 < 32 ? alphabet[c & 63] : '=';
        }
        return "'sha256-" + encoded + "'";
    };
    EXPECT_NE(page.contentSecurityPolicy.find("script-src " + hashOf(script)), std::string::npos)
        << page.contentSecurityPolicy;
    EXPECT_NE(page.contentSecurityPolicy.find("style-src " + hashOf(style)), std::string::npos);
    EXPECT_EQ(page.contentSecurityPolicy.find("unsafe"), std::string::npos);
}

TEST(DashboardParts, AnOlderJournalGetsTheNewestIndicesOnceAtStart) {
    if (const PlatformLimit limit = NoJournalDatabases()) GTEST_SKIP() << limit.reason;
    TempDir folder;
    const std::string path = folder.File("journal.sqlite3");
    {
        SqlJournal older(std::make_unique<SqliteConnection>(path, SqliteOpening::Create), JournalOpen::Create, 2);
        older.FinishUnit(older.BeginUnit({"rack-1", "127.0.0.2", "SN-1", "", ""}), kOutcomeFailed);
        EXPECT_EQ(older.SchemaVersion(), 2);
    }
    RunningDashboard view(path);
    EXPECT_EQ(view.Json("/api/health")["schema_version"], LatestJournalVersion(SqlDialect::Sqlite));
    EXPECT_EQ(view.Json("/api/recent-failures")["failures"].size(), 1u);
}

} // namespace
} // namespace tarnwell::test
