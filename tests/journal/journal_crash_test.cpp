// A console killed at random moments while it writes MAC addresses to a
// device: afterwards no address reached the device twice, and every address
// that reached it is in the journal.
#include "journal_test_support.h"

#include "journal/mac_number.h"
#include "protocol/command_block.h"
#include "support/loopback_device.h"

#include <chrono>
#include <csignal>
#include <map>
#include <random>
#include <thread>

namespace tarnwell::test {
namespace {

using JournalCrashTest = JournalBackendTest;

TEST_P(JournalCrashTest, KilledConsoleNeverWritesAMacTwice) {
    Open(); // the schema exists before the first kill
    auto device = StartDevice();
    const std::string settings = folder.File("settings");
    WriteFileBytes(settings, "UpgradeMacAddr=02:00:00:00:10:00\n");

    auto completeWrites = [&] {
        int complete = 0;
        for (const auto& exchange : device->ExchangesWithCode(CmdSetMac)) complete += exchange.complete ? 1 : 0;
        return complete;
    };
    std::mt19937 random(std::random_device{}());
    std::uniform_int_distribution<int> moment(0, 40);
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(200);
    int kills = 0;
    while (completeWrites() < 200 && kills < 3000 && std::chrono::steady_clock::now() < deadline) {
        pid_t console = Spawn(BuiltProgram("journal_crash_driver"), {location, settings, device->Address(), "1000"});
        ASSERT_GT(console, 0);
        // The moment counts from the console's first connection, not from the spawn:
        // on a loaded machine the start alone can outlast any fixed delay.
        const int before = device->ConnectionCount();
        const auto started = std::chrono::steady_clock::now();
        while (device->ConnectionCount() == before && std::chrono::steady_clock::now() - started < std::chrono::seconds(5))
            std::this_thread::sleep_for(std::chrono::milliseconds(1));
        std::this_thread::sleep_for(std::chrono::milliseconds(moment(random)));
        ::kill(console, SIGKILL);
        const int status = WaitFor(console);
        ASSERT_TRUE(status == 128 + SIGKILL || status == 0) << "the console ended with " << status;
        ++kills;
    }
    ASSERT_TRUE(device->WaitUntilIdle());
    ASSERT_GE(completeWrites(), 200) << "after " << kills << " kills";

    auto journal = Open();
    std::map<uint64_t, int> received;
    for (const auto& exchange : device->ExchangesWithCode(CmdSetMac)) {
        if (!exchange.complete) continue;
        auto mac = ParseMacNumber(reinterpret_cast<const char*>(exchange.payload.data()));
        ASSERT_TRUE(mac);
        ++received[*mac];
    }
    for (const auto& [mac, times] : received) {
        EXPECT_EQ(times, 1) << FormatMacNumber(mac) << " reached the device " << times << " times";
        auto entry = journal->LookupMac(mac);
        ASSERT_TRUE(entry) << FormatMacNumber(mac) << " reached the device but is not in the journal";
        // Reserved: killed between the send and the mark; still blocked.
        EXPECT_TRUE(entry->state == MacState::Written || entry->state == MacState::Reserved)
            << FormatMacNumber(mac) << " is " << MacStateName(entry->state);
    }
    for (const auto& entry : journal->Macs()) {
        if (entry.state != MacState::Written) continue;
        EXPECT_EQ(received.count(entry.mac), 1u) << FormatMacNumber(entry.mac) << " written but never sent";
    }
    std::printf("%d kills, %zu addresses written, %zu in the journal\n", kills, received.size(), journal->Macs().size());
}

INSTANTIATE_TEST_SUITE_P(Backends, JournalCrashTest, ::testing::Values(Backend::Sqlite, Backend::Postgres), BackendName);

} // namespace
} // namespace tarnwell::test
