// What the journal costs a unit on the line, for both back ends.
//
// Journal only: one unit as the line writes it (begin, MAC reserved from the
// pool, marked written, six step rows, finished), on a SQLite file on this
// disk and on a PostgreSQL server started here with its production settings
// (every commit flushed). Baseline, in the same rounds: one MAC write of the
// console to a simulated device on loopback without a journal; then the same
// write with each journal, reservation and outcome included. Medians of
// alternating rounds, ms per unit, and each against the bare write.
#include "app/operator_console.h"
#include "journal/journal.h"
#include "sim/simulated_device.h"
#include "support/fake_console_ui.h"
#include "support/postgres_server.h"
#include "support/temp_dir.h"

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <functional>
#include <map>
#include <unistd.h>

using namespace tarnwell;
using Clock = std::chrono::steady_clock;

namespace {

constexpr int kRounds = 5;
constexpr int kUnitsPerRound = 100;

void RecordLineUnit(Journal& journal, uint64_t first) {
    int64_t unit = journal.BeginUnit({"bench", "127.0.0.2", "SN", "/fw/package.tar", std::string(64, 'a')});
    MacReservation mac = journal.ReserveNextMac(unit, {first, std::nullopt});
    journal.SetMacOutcome(mac.mac, unit, mac.token, MacState::Written);
    for (const char* step : {"UpdateLanguage", "SetMacAddress", "SetVideoStandard", "SetDeviceTime", "SetSerial",
                             "UpgradeFirmware"})
        journal.RecordStep(unit, {step, JournalTimestamp(), JournalTimestamp(), kOutcomeOk, {{"更新成功", "Update Success"}}});
    journal.FinishUnit(unit, kOutcomeOk);
}

double Median(std::vector<double> values) {
    std::sort(values.begin(), values.end());
    return values[values.size() / 2];
}

} // namespace

int main() {
    test::TempDir folder;
    test::PostgresServer server(true);
    const bool postgres = server.Running();
    if (!postgres) std::printf("PostgreSQL: not measured (%s)\n", server.Problem().c_str());

    sim::DeviceProfile profile;
    // An address of this run's own: other programs may use the usual ones.
    profile.address = "127.13.0." + std::to_string(2 + ::getpid() % 250);
    sim::SimulatedDevice device(profile);
    if (!device.Start()) {
        std::printf("cannot start the simulated device on %s\n", profile.address.c_str());
        return 1;
    }

    struct Console {
        test::FakeConsoleUi ui;
        OperatorConsole console{ui};
    };
    auto makeConsole = [&](std::unique_ptr<Journal> journal) {
        auto made = std::make_unique<Console>();
        made->console.deviceAddressText = device.Address();
        made->console.macText = "02:00:00:00:00:00";
        made->console.autoIncrementMac = 1;
        made->ui.controls.macText = made->console.macText;
        made->ui.controls.autoIncrementMac = 1;
        if (journal) made->console.journal.Use(std::move(journal));
        return made;
    };

    std::map<std::string, std::function<void()>> cases;
    std::vector<std::string> order;
    auto add = [&](const std::string& name, std::function<void()> run) {
        cases[name] = std::move(run);
        order.push_back(name);
    };
    auto bare = makeConsole(nullptr);
    add("MAC write, no journal (baseline)", [&] { bare->console.SetMacAddress(); });
    auto sqliteJournal = CreateJournal(folder.File("units.sqlite3"));
    add("journal unit, SQLite", [&] { RecordLineUnit(*sqliteJournal, 0x020000000000ull); });
    auto sqliteConsole = makeConsole(CreateJournal(folder.File("console.sqlite3")));
    add("MAC write + SQLite journal", [&] { sqliteConsole->console.SetMacAddress(); });
    std::unique_ptr<Journal> pgJournal;
    std::unique_ptr<Console> pgConsole;
    if (postgres) {
        pgJournal = CreateJournal(server.NewDatabase());
        add("journal unit, PostgreSQL", [&] { RecordLineUnit(*pgJournal, 0x020000000000ull); });
        pgConsole = makeConsole(CreateJournal(server.NewDatabase()));
        add("MAC write + PostgreSQL journal", [&] { pgConsole->console.SetMacAddress(); });
    }

    std::map<std::string, std::vector<double>> perUnit;
    for (int round = 0; round < kRounds; ++round) {
        for (const auto& name : order) {
            const auto start = Clock::now();
            for (int i = 0; i < kUnitsPerRound; ++i) cases[name]();
            const std::chrono::duration<double, std::milli> took = Clock::now() - start;
            perUnit[name].push_back(took.count() / kUnitsPerRound);
        }
    }
    const double baseline = Median(perUnit[order[0]]);
    std::printf("%-34s %10s %12s\n", "case", "ms/unit", "vs baseline");
    for (const auto& name : order)
        std::printf("%-34s %10.3f %12.2f\n", name.c_str(), Median(perUnit[name]), Median(perUnit[name]) / baseline);
    device.Stop();
    return 0;
}
