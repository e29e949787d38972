// The console writing the journal: what it records, what it refuses, and
// that a journal it cannot use stops an action before the device hears of it.
#include "journal_test_support.h"

#include "app/console_journal.h"
#include "platform/settings_store.h"
#include "journal/journal_command.h"
#include "journal/mac_number.h"
#include "protocol/command_block.h"
#include "sim/web_cgi_server.h"
#include "support/console_fixture.h"
#include "support/environment_override.h"
#include "support/forwarding_journal.h"
#include "support/memory_settings_store.h"

#include <sqlite3.h>

#include <sstream>

namespace tarnwell::test {
namespace {

class ConsoleJournalTest : public ConsoleFixture {
protected:
    ConsoleJournalTest() {
        settings.values[kSettingUpgradeMac] = std::string("02:00:00:00:00:FF");
        settings.values[kSettingStation] = std::string("line-1");
        settings.values[kSettingJournal] = path;
        CreateJournal(path);
    }
    void Start() {
        console.Initialise(settings);
        console.journal.Enable();
        UseDevice();
    }
    std::unique_ptr<Journal> Records() { return OpenJournal(path); }
    std::string SavedMac() { return std::get<std::string>(settings.values[kSettingUpgradeMac]); }
    int MacBlocksSent() {
        EXPECT_TRUE(device->WaitUntilIdle());
        return static_cast<int>(device->ExchangesWithCode(CmdSetMac).size());
    }

    TempDir folder;
    EnvironmentOverride dataHome{"XDG_DATA_HOME", folder.Path().string()};
    std::string path = folder.File("journal.sqlite3");
    MemorySettingsStore settings;
};

TEST_F(ConsoleJournalTest, WrittenMacIsRecordedAndSavedBeforeTheNextUnit) {
    Start();
    console.OnUpdateMac();
    EXPECT_EQ(ui.Messages(), std::vector<std::string>{"更新成功"});
    // Saved at once, not at close: a crash now cannot hand FF out again.
    EXPECT_EQ(SavedMac(), "02:00:00:00:01:00");

    auto journal = Records();
    auto units = journal->Units("");
    ASSERT_EQ(units.size(), 1u);
    EXPECT_EQ(units[0].station, "line-1");
    EXPECT_EQ(units[0].address, device->Address());
    EXPECT_EQ(units[0].mac, "02:00:00:00:00:FF");
    EXPECT_EQ(units[0].outcome, kOutcomeOk);
    EXPECT_FALSE(units[0].endedAt.empty());
    auto steps = journal->Steps(units[0].id);
    ASSERT_EQ(steps.size(), 1u);
    EXPECT_EQ(steps[0].step, "SetMacAddress");
    EXPECT_EQ(steps[0].result, kOutcomeOk);
    EXPECT_EQ(journal->LookupMac(0x0200000000FFull)->state, MacState::Written);
}

TEST_F(ConsoleJournalTest, MacWrittenToAnotherUnitIsRefusedInBothLanguagesAndNotSent) {
    Start();
    console.autoIncrementMac = 0;
    ui.controls.autoIncrementMac = 0;
    console.OnUpdateMac();
    ui.ClearRecords();
    console.OnUpdateMac(); // the same text again, as after a lost step
    ASSERT_EQ(ui.Messages().size(), 1u);
    EXPECT_EQ(ui.Messages()[0].rfind("MAC地址 02:00:00:00:00:FF 已写入另一台设备", 0), 0u) << ui.Messages()[0];
    EXPECT_EQ(MacBlocksSent(), 1);

    auto journal = Records();
    auto units = journal->Units("");
    ASSERT_EQ(units.size(), 2u);
    EXPECT_EQ(units[1].outcome, kOutcomeFailed);
    auto messages = journal->Steps(units[1].id).at(0).messages;
    ASSERT_EQ(messages.size(), 1u);
    EXPECT_NE(messages[0].english.find("was already written to another unit (journal unit " +
                                       std::to_string(units[0].id)),
              std::string::npos)
        << messages[0].english;
}

TEST_F(ConsoleJournalTest, ReservationWithoutOutcomeBlocksUntilReleased) {
    {
        // A console that died after reserving FF: the device may have it.
        auto journal = Records();
        int64_t unit = journal->BeginUnit({"line-2", "127.0.0.9", "", "", ""});
        journal->ReserveMac(0x0200000000FFull, unit, {});
    }
    Start();
    console.OnUpdateMac();
    ASSERT_EQ(ui.Messages().size(), 1u);
    EXPECT_NE(ui.Messages()[0].find("tarnwell-journal release 02:00:00:00:00:FF"), std::string::npos);
    EXPECT_EQ(MacBlocksSent(), 0);

    std::ostringstream out, err;
    EXPECT_EQ(RunJournalCommand({"--journal", path, "release", "02:00:00:00:00:ff", "--yes"}, out, err), 0) << err.str();
    EXPECT_EQ(RunJournalCommand({"--journal", path, "release", "02:00:00:00:00:ff", "--yes"}, out, err), 1);
    ui.ClearRecords();
    console.OnUpdateMac();
    EXPECT_EQ(ui.Messages(), std::vector<std::string>{"更新成功"});
    EXPECT_EQ(MacBlocksSent(), 1);
}

TEST_F(ConsoleJournalTest, MacReleasedWhileTheConsoleWroteItIsReportedLoudly) {
    Start();
    console.journal.Use(std::make_shared<ReleasedWhileWriting>(Records()));
    console.OnUpdateMac();
    ASSERT_EQ(ui.Messages().size(), 1u);
    EXPECT_EQ(ui.Messages()[0].rfind("MAC地址 02:00:00:00:00:FF 在本设备写入期间被释放:可能有两台设备使用同一地址", 0), 0u)
        << ui.Messages()[0];
    EXPECT_EQ(MacBlocksSent(), 1);
    auto journal = Records();
    EXPECT_EQ(journal->FindUnits("02:00:00:00:00:FF").size(), 2u);
    ASSERT_EQ(journal->MacConflicts(0x0200000000FFull).size(), 1u);
    EXPECT_EQ(journal->Units("").at(0).outcome, kOutcomeFailed);
    auto messages = journal->Steps(journal->Units("").at(0).id).at(0).messages;
    ASSERT_EQ(messages.size(), 1u);
    EXPECT_NE(messages[0].english.find("was released while this unit was writing it: two devices may carry it"),
              std::string::npos);
}

TEST_F(ConsoleJournalTest, UsedUpPoolStopsBeforeAnythingIsSent) {
    settings.values[kSettingMacPoolFirst] = std::string("02:00:00:00:00:00");
    settings.values[kSettingMacPoolLast] = std::string("02:00:00:00:00:FE");
    Start();
    console.OnUpdateMac();
    EXPECT_EQ(ui.Messages(), std::vector<std::string>{
                                 "MAC地址池已用完(最后地址 02:00:00:00:00:FE),未向设备发送任何数据!"});
    EXPECT_EQ(device->ConnectionCount(), 0);
    EXPECT_EQ(SavedMac(), "02:00:00:00:00:FF");
}

TEST_F(ConsoleJournalTest, DamagedJournalStopsUpdateAllUntouchedAndSilentTowardsTheDevice) {
    const std::string garbage = "this was never a journal\n" + std::string(5000, 'x');
    WriteFileBytes(path, garbage);
    Start();
    ui.checks[IdCheckMac] = true;
    ui.checks[IdCheckTime] = true;
    console.UpdateAll();
    ASSERT_EQ(ui.Messages().size(), 1u); // no "升成完成"
    EXPECT_EQ(ui.Messages()[0].rfind("制造日志不可用(这不是Tarnwell制造日志", 0), 0u) << ui.Messages()[0];
    ASSERT_TRUE(device->WaitUntilIdle());
    EXPECT_EQ(device->ConnectionCount(), 0);
    EXPECT_EQ(ReadFileBytes(path), garbage);
    EXPECT_EQ(SavedMac(), "02:00:00:00:00:FF");
}

TEST_F(ConsoleJournalTest, LockedJournalIsReportedInsteadOfWaitedOn) {
    Start();
    console.OnUpdateTime(); // opens the journal
    ui.ClearRecords();
    ASSERT_TRUE(device->WaitUntilIdle()); // the time step's connection is counted before the lock
    sqlite3* other = nullptr;
    ASSERT_EQ(sqlite3_open(path.c_str(), &other), SQLITE_OK);
    ASSERT_EQ(sqlite3_exec(other, "BEGIN IMMEDIATE", nullptr, nullptr, nullptr), SQLITE_OK);
    const int before = device->ConnectionCount();
    console.OnUpdateMac();
    ASSERT_EQ(ui.Messages().size(), 1u);
    EXPECT_NE(ui.Messages()[0].find("制造日志被另一程序锁定"), std::string::npos) << ui.Messages()[0];
    EXPECT_EQ(device->ConnectionCount(), before);
    sqlite3_exec(other, "ROLLBACK", nullptr, nullptr, nullptr);
    sqlite3_close(other);
}

TEST_F(ConsoleJournalTest, UpdateAllIsOneUnitWithAStepPerItemAndTheirMessages) {
    Start();
    ui.checks[IdCheckMac] = true;
    ui.checks[IdCheckVideoStandard] = true;
    ui.checks[IdCheckTime] = true;
    device->Stop(); // every item fails to connect and says so
    console.UpdateAll();
    auto journal = Records();
    auto units = journal->Units("");
    ASSERT_EQ(units.size(), 1u);
    EXPECT_EQ(units[0].outcome, kOutcomeFailed);
    auto steps = journal->Steps(units[0].id);
    ASSERT_EQ(steps.size(), 3u);
    EXPECT_EQ(steps[0].step, "SetMacAddress");
    EXPECT_EQ(steps[1].step, "SetVideoStandard");
    EXPECT_EQ(steps[2].step, "SetDeviceTime");
    EXPECT_EQ(steps[0].messages.at(0).chinese, "连接失败9!");
    EXPECT_EQ(steps[0].messages.at(0).english, "Connect Failed!");
    EXPECT_EQ(journal->LookupMac(0x0200000000FFull)->state, MacState::Failed);
    EXPECT_EQ(SavedMac(), "02:00:00:00:00:FF");
}

TEST_F(ConsoleJournalTest, SetSerialIsAStepWithItsSuccessAndTheRebootAfterIt) {
    Start();
    sim::WebCgiServer web;
    ASSERT_TRUE(web.Start(device->Address(), 0));
    ui.controls.serialText = "SN-0042";
    ui.controls.webPortText = std::to_string(web.Port());
    ui.answers.push_back(true);
    console.OnSetSerial();
    ASSERT_TRUE(device->WaitUntilIdle());
    EXPECT_EQ(device->RebootCount(), 1);

    auto journal = Records();
    auto units = journal->Units("");
    ASSERT_EQ(units.size(), 1u);
    EXPECT_EQ(units[0].serial, "SN-0042");
    EXPECT_EQ(units[0].outcome, kOutcomeOk);
    auto steps = journal->Steps(units[0].id);
    ASSERT_EQ(steps.size(), 2u);
    EXPECT_EQ(steps[0].step, "SetSerial");
    EXPECT_EQ(steps[0].result, kOutcomeOk);
    ASSERT_EQ(steps[0].messages.size(), 1u);
    EXPECT_EQ(steps[0].messages[0].chinese, "设置成功");
    EXPECT_EQ(steps[1].step, "RebootDevice");

    web.Stop(); // nobody answers now: a failed step
    console.OnSetSerial();
    units = journal->Units("");
    ASSERT_EQ(units.size(), 2u);
    EXPECT_EQ(units[1].outcome, kOutcomeFailed);
    EXPECT_EQ(journal->Steps(units[1].id).at(0).result, kOutcomeFailed);
}

TEST(ConsoleJournalPostgresTest, LostServerStopsTheActionAndAReturningOneIsUsedAgain) {
    PostgresServer server;
    if (!server.Running()) {
        if (server.Problem().rfind("no PostgreSQL server binaries", 0) == 0) GTEST_SKIP() << server.Problem();
        FAIL() << server.Problem();
    }
    TempDir folder;
    EnvironmentOverride dataHome{"XDG_DATA_HOME", folder.Path().string()};
    FakeConsoleUi ui;
    OperatorConsole console(ui);
    console.journal.location = server.NewDatabase();
    CreateJournal(console.journal.location);
    console.journal.Enable();
    auto device = StartDevice();
    ui.SetAddress(device->Address());
    ui.controls.macText = "02:00:00:00:00:01";
    ui.controls.autoIncrementMac = 1;
    console.PullFields();
    console.OnUpdateMac();
    ASSERT_EQ(ui.Messages(), std::vector<std::string>{"更新成功"});

    server.Stop();
    ui.ClearRecords();
    console.OnUpdateMac();
    ASSERT_EQ(ui.Messages().size(), 1u);
    EXPECT_NE(ui.Messages()[0].find("与日志数据库的连接已断开"), std::string::npos) << ui.Messages()[0];
    ASSERT_TRUE(device->WaitUntilIdle());
    EXPECT_EQ(device->ExchangesWithCode(CmdSetMac).size(), 1u);

    ASSERT_TRUE(server.Start());
    ui.ClearRecords();
    console.OnUpdateMac();
    EXPECT_EQ(ui.Messages(), std::vector<std::string>{"更新成功"});
    ASSERT_TRUE(device->WaitUntilIdle());
    EXPECT_EQ(device->ExchangesWithCode(CmdSetMac).size(), 2u);
}

} // namespace
} // namespace tarnwell::test
