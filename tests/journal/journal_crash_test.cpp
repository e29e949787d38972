// The line runner killed at random moments while it writes MAC addresses to
// eight devices: afterwards no address reached two units (or one twice), and
// every address that reached a unit is in the journal, written to that unit.
#include "journal_test_support.h"

#include "journal/mac_number.h"
#include "protocol/command_block.h"
#include "support/loopback_device.h"

#include <chrono>
#include <csignal>
#include <map>
#include <optional>
#include <random>
#include <thread>

namespace tarnwell::test {
namespace {

using JournalCrashTest = JournalBackendTest;

constexpr uint64_t kFirstMac = 0x020000001000ull;

// Where a line engineer carries on after a crash: past every address the
// journal knows of, whatever became of it.
uint64_t NextFreeMac(Journal& journal) {
    uint64_t next = kFirstMac;
    for (const MacEntry& entry : journal.Macs()) next = std::max(next, entry.mac + 1);
    return next;
}

TEST_P(JournalCrashTest, KilledLineRunnerNeverWritesAMacTwice) {
    auto journal = Open(); // the schema exists before the first kill
    std::vector<std::unique_ptr<sim::SimulatedDevice>> devices;
    std::vector<std::string> arguments{"--journal", location, "--station", "crash", "--json", "--mac", ""};
    const size_t macArgument = arguments.size() - 1;
    for (int i = 0; i < 8; ++i) {
        devices.push_back(StartDevice());
        arguments.push_back(devices.back()->Address());
    }
    // The runner's work folders stay in the test's folder.
    const std::vector<std::string> environment{"XDG_DATA_HOME=" + folder.Path().string()};
    const std::string output = folder.File("runner.log");

    auto completeWrites = [&] {
        int complete = 0;
        for (const auto& device : devices)
            for (const auto& exchange : device->ExchangesWithCode(CmdSetMac)) complete += exchange.complete ? 1 : 0;
        return complete;
    };
    auto runOnce = [&](std::optional<std::chrono::milliseconds> killAfter) {
        for (int attempt = 0;; ++attempt) {
            arguments[macArgument] = FormatMacNumber(NextFreeMac(*journal));
            pid_t runner = Spawn(BuiltProgram("tarnwell-line"), arguments, environment, output);
            if (runner <= 0) return -1;
            if (killAfter) {
                std::this_thread::sleep_for(*killAfter);
                ::kill(runner, SIGKILL);
            }
            const int status = WaitFor(runner);
            // A database server may commit a killed runner's last reservation
            // after this test read the journal; the next runner then rightly
            // refuses that address before sending anything. Read again.
            if (status == 2 && attempt < 20 && ReadFileBytes(output).find("tarnwell-journal release") != std::string::npos) {
                std::this_thread::sleep_for(std::chrono::milliseconds(50));
                continue;
            }
            return status;
        }
    };
    // One whole run first: the kills then fall anywhere in a run's time,
    // whatever the back end's connections cost.
    const auto start = std::chrono::steady_clock::now();
    ASSERT_EQ(runOnce(std::nullopt), 0) << ReadFileBytes(output);
    const auto wholeRun = std::chrono::duration_cast<std::chrono::milliseconds>(std::chrono::steady_clock::now() - start);

    std::mt19937 random(std::random_device{}());
    std::uniform_int_distribution<int> moment(1, std::max(2, static_cast<int>(wholeRun.count() * 6 / 5)));
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(200);
    int kills = 0, finished = 1;
    while (completeWrites() < 200 && kills + finished < 3000 && std::chrono::steady_clock::now() < deadline) {
        const int status = runOnce(std::chrono::milliseconds(moment(random)));
        // 0: it ended before the kill; 2 would be a refusal or a journal fault.
        ASSERT_TRUE(status == 128 + SIGKILL || status == 0) << "the runner ended with " << status << "\n"
                                                            << ReadFileBytes(output);
        ++(status == 0 ? finished : kills);
    }
    for (const auto& device : devices) ASSERT_TRUE(device->WaitUntilIdle());
    ASSERT_GE(completeWrites(), 200) << "after " << kills << " kills";

    std::map<int64_t, std::string> unitAddress;
    for (const UnitRecord& unit : journal->Units("")) unitAddress[unit.id] = unit.address;
    std::map<uint64_t, std::vector<std::string>> received; // MAC -> the devices that got it
    for (const auto& device : devices)
        for (const auto& exchange : device->ExchangesWithCode(CmdSetMac)) {
            if (!exchange.complete) continue;
            auto mac = ParseMacNumber(reinterpret_cast<const char*>(exchange.payload.data()));
            ASSERT_TRUE(mac);
            received[*mac].push_back(device->Address());
        }
    for (const auto& [mac, where] : received) {
        EXPECT_EQ(where.size(), 1u) << FormatMacNumber(mac) << " reached " << where.size() << " units";
        auto entry = journal->LookupMac(mac);
        ASSERT_TRUE(entry) << FormatMacNumber(mac) << " reached a unit but is not in the journal";
        // Reserved: killed between the send and the mark; still blocked.
        EXPECT_TRUE(entry->state == MacState::Written || entry->state == MacState::Reserved)
            << FormatMacNumber(mac) << " is " << MacStateName(entry->state);
        EXPECT_EQ(unitAddress[entry->unit], where[0]) << FormatMacNumber(mac) << " is journalled to another unit";
    }
    for (const auto& entry : journal->Macs()) {
        if (entry.state != MacState::Written) continue;
        EXPECT_EQ(received.count(entry.mac), 1u) << FormatMacNumber(entry.mac) << " written but never sent";
    }
    std::printf("whole run %lld ms; %d kills, %d runs to the end, %zu addresses written, %zu in the journal\n",
                static_cast<long long>(wholeRun.count()), kills, finished,
                received.size(), journal->Macs().size());
}

INSTANTIATE_TEST_SUITE_P(Backends, JournalCrashTest, ::testing::Values(Backend::Sqlite, Backend::Postgres), BackendName);

} // namespace
} // namespace tarnwell::test
