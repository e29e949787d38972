// The page in a real browser while a line runs: headless Chromium opens it
// once, and the figures it renders (the DOM after its scripts ran) follow the
// line without a reload, until they are the journal's export. Screenshots
// land beside the build for whoever reviews the run.
#include "dashboard_fixture.h"

#include "journal/journal.h"
#include "journal/journal_command.h"
#include "journal/mac_number.h"
#include "line/line_fixture.h"
#include "support/headless_browser.h"

#include <atomic>
#include <map>
#include <sstream>

namespace tarnwell::test {
namespace {

constexpr uint64_t kFirstMac = 0x020000000700ull;
constexpr size_t kUnits = 4;

struct PageCounts {
    int64_t ok = -1, failed = -1, running = -1, total = -1;
    bool operator==(const PageCounts&) const = default;
};

std::ostream& operator<<(std::ostream& out, const PageCounts& counts) {
    return out << "ok " << counts.ok << ", failed " << counts.failed << ", running " << counts.running << ", total "
               << counts.total;
}

// The counts as the page shows them (digits only: the page groups thousands).
PageCounts ReadCounts(HeadlessBrowser& browser) {
    auto shown = browser.Evaluate(
        "(() => { const n = (id) => Number((document.getElementById(id).textContent || '').replace(/[^0-9]/g, ''));"
        " return [n('count-ok'), n('count-failed'), n('count-running'), n('count-total')]; })()");
    if (!shown.is_array() || shown.size() != 4) return {};
    return {shown[0], shown[1], shown[2], shown[3]};
}

// The rows of the journal's CSV export, by outcome (the last column).
std::map<std::string, int64_t> ExportedOutcomes(const std::string& journal, int64_t& rows) {
    std::ostringstream out, err;
    EXPECT_EQ(RunJournalCommand({"--journal", journal, "export", "--csv"}, out, err), 0) << err.str();
    std::map<std::string, int64_t> outcomes;
    std::istringstream lines(out.str());
    std::string line;
    std::getline(lines, line); // the header
    rows = 0;
    while (std::getline(lines, line)) {
        if (!line.empty() && line.back() == '\r') line.pop_back();
        if (line.empty()) continue;
        ++rows;
        ++outcomes[line.substr(line.rfind(',') + 1)];
    }
    return outcomes;
}

class DashboardBrowserTest : public LineFixture {
protected:
    void SetUp() override {
        LineFixture::SetUp();
        if (IsSkipped()) return;
        if (HeadlessBrowser::Program().empty()) GTEST_SKIP() << "no chromium installed (Debian package chromium)";
    }
    std::string Screenshot(const std::string& name) const { return std::string(TARNWELL_BINARY_DIR) + "/" + name; }
};

TEST_F(DashboardBrowserTest, ThePageFollowsARunningLineLiveAndEndsAtTheJournalsExport) {
    // Units take a second or two each, one at a time, so the page sees them run.
    const std::string package = Package({320 * 1024});
    auto expected = sim::ExpectFirmwareFromPackage(package);
    ASSERT_TRUE(expected);
    sim::DeviceProfile profile;
    sim::ConfigureForFirmware(profile, *expected);
    profile.flashWritePerMiB = std::chrono::milliseconds(5000);
    StartDevices(kUnits, profile);
    // One unit's serial is refused, so the failure tables have a row.
    webs[1]->SetScript(sim::WebCgiScript::Status(500, sim::OkPlace::Nowhere));
    const std::string journal = settings.units.journal.location;
    OpenOrMakeJournal(journal); // the line's journal exists before its first unit

    dashboard::ServerSettings server;
    server.pool = {kFirstMac, kFirstMac + 999};
    RunningDashboard view(journal, server);

    HeadlessBrowser browser;
    ASSERT_TRUE(browser.Started()) << browser.Problem();
    ASSERT_TRUE(browser.Open(view.Url("/"), "zh-CN,zh;q=0.9,en;q=0.8")) << browser.Problem();
    ASSERT_TRUE(browser.WaitFor("document.body && document.body.dataset.loaded === '1'", std::chrono::seconds(20)))
        << browser.Log();
    // Chinese for a browser that asks for it first.
    EXPECT_EQ(browser.Evaluate("document.documentElement.lang"), "zh-CN");
    EXPECT_EQ(browser.Evaluate("document.getElementById('today-heading').textContent"), "今天");
    EXPECT_EQ(ReadCounts(browser), (PageCounts{0, 0, 0, 0}));
    browser.Evaluate("window.tarnwellPageId = 'first load'");
    const auto firstLoadMs = browser.Evaluate("Number(document.body.dataset.firstLoadMs)");

    std::vector<std::string> arguments{"--jobs", "1", "--firmware", package, "--time", "--mac",
                                       FormatMacNumber(kFirstMac), "--serial", "SN-{001}", "--web-port",
                                       std::to_string(webPort), "--station", "rack-9"};
    for (const auto& address : Addresses()) arguments.push_back(address);
    std::atomic<bool> lineDone{false};
    LineRun run;
    std::thread line([&] {
        run = Run(arguments);
        lineDone = true;
    });

    // While the line runs, the same page (never reloaded) shows what it does.
    std::vector<PageCounts> seen;
    bool sawRunning = false, shotWhileRunning = false;
    while (!lineDone) {
        PageCounts counts = ReadCounts(browser);
        if (seen.empty() || !(seen.back() == counts)) seen.push_back(counts);
        if (counts.running > 0 && !lineDone) {
            sawRunning = true;
            if (counts.ok + counts.failed > 0 && !shotWhileRunning)
                shotWhileRunning = browser.Screenshot(Screenshot("dashboard-during-run.png"));
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(150));
    }
    line.join();
    ASSERT_EQ(run.exitStatus, 1) << run.err << run.out;
    EXPECT_TRUE(sawRunning) << "the page never showed a running unit";
    EXPECT_TRUE(shotWhileRunning);
    // It went up step by step, never down.
    for (size_t i = 1; i < seen.size(); ++i) {
        EXPECT_GE(seen[i].ok + seen[i].failed, seen[i - 1].ok + seen[i - 1].failed) << seen[i - 1] << " then " << seen[i];
        EXPECT_EQ(seen[i].ok + seen[i].failed + seen[i].running, seen[i].total) << seen[i];
    }
    EXPECT_GE(seen.size(), 3u) << "the page did not follow the line";

    // Once the line is done the page settles on the journal's export.
    int64_t rows = 0;
    auto exported = ExportedOutcomes(journal, rows);
    ASSERT_EQ(rows, static_cast<int64_t>(kUnits));
    const PageCounts settled{exported["ok"], exported["failed"], exported["running"], rows};
    EXPECT_EQ(settled, (PageCounts{3, 1, 0, 4}));
    ASSERT_TRUE(browser.WaitFor("document.getElementById('count-total').textContent === '" + std::to_string(rows) +
                                    "' && document.getElementById('count-running').textContent === '0'",
                                std::chrono::seconds(10)));
    EXPECT_EQ(ReadCounts(browser), settled);
    EXPECT_EQ(browser.Evaluate("window.tarnwellPageId"), "first load") << "the page was reloaded";
    // The rest of the page agrees as well.
    EXPECT_EQ(browser.Evaluate("document.getElementById('pool-used').textContent"), std::to_string(kUnits));
    EXPECT_EQ(browser.Evaluate("document.getElementById('pool-free').textContent"), std::to_string(1000 - kUnits));
    EXPECT_EQ(browser.Evaluate("document.querySelectorAll('#recent-table tbody tr').length"), 1);
    EXPECT_EQ(browser.Evaluate("document.querySelector('#recent-table tbody tr td:nth-child(3)').textContent"),
              "rack-9");
    EXPECT_EQ(browser.Evaluate("document.getElementById('chart').dataset.units"), std::to_string(kUnits));
    EXPECT_GE(browser.Evaluate("document.querySelectorAll('#kinds-table tbody tr').length").get<int>(), 1);
    EXPECT_TRUE(browser.Screenshot(Screenshot("dashboard-screenshot.png")));

    // The search box shows a unit's whole history.
    browser.Evaluate("document.getElementById('search-key').value = 'SN-002';"
                     "document.getElementById('search-form').requestSubmit()");
    ASSERT_TRUE(browser.WaitFor("document.querySelectorAll('#history .unit').length === 1", std::chrono::seconds(10)));
    EXPECT_GE(browser.Evaluate("document.querySelectorAll('#history .unit tbody tr').length").get<int>(), 3);
    // The unit's web CGI said no to its serial.
    EXPECT_EQ(browser.Evaluate("document.querySelectorAll('#history .result-refused').length"), 1);
    EXPECT_TRUE(browser.Screenshot(Screenshot("dashboard-history.png")));

    // The other language on the press of its button, with the same figures.
    browser.Evaluate("document.getElementById('language').click()");
    EXPECT_EQ(browser.Evaluate("document.getElementById('today-heading').textContent"), "Today");
    EXPECT_EQ(ReadCounts(browser), settled);
    if (firstLoadMs.is_number()) std::cout << "page's first figures shown " << firstLoadMs << " ms after navigation\n";
}

TEST_F(DashboardBrowserTest, ABrowserThatAsksForEnglishGetsEnglish) {
    OpenOrMakeJournal(settings.units.journal.location);
    RunningDashboard view(settings.units.journal.location);
    HeadlessBrowser browser;
    ASSERT_TRUE(browser.Started()) << browser.Problem();
    ASSERT_TRUE(browser.Open(view.Url("/"), "en-GB,en;q=0.9"));
    ASSERT_TRUE(browser.WaitFor("document.body && document.body.dataset.loaded === '1'", std::chrono::seconds(20)));
    EXPECT_EQ(browser.Evaluate("document.documentElement.lang"), "en");
    EXPECT_EQ(browser.Evaluate("document.getElementById('count-total').textContent"), "0");
    // A language the page does not have: Chinese.
    ASSERT_TRUE(browser.Open(view.Url("/"), "de-DE,fr"));
    ASSERT_TRUE(browser.WaitFor("document.body && document.body.dataset.loaded === '1'", std::chrono::seconds(20)));
    EXPECT_EQ(browser.Evaluate("document.documentElement.lang"), "zh-CN");
}

} // namespace
} // namespace tarnwell::test
