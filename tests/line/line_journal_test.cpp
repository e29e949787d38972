// The runner's journal: every unit and step recorded as the console records
// them, and whatever the journal refuses stops the job before anything is sent.
#include "journal/journal.h"
#include "journal/mac_number.h"
#include "line_fixture.h"
#include "journal/sha256.h"
#include "support/forwarding_journal.h"

#include <filesystem>
#include <set>

using namespace tarnwell;
using namespace tarnwell::test;

namespace {

class LineJournalTest : public LineFixture {
protected:
    std::unique_ptr<Journal> Records() { return OpenJournal(settings.units.journal.location); }
    int Connections() {
        int count = 0;
        for (auto& device : devices) {
            EXPECT_TRUE(device->WaitUntilIdle());
            count += device->ConnectionCount();
        }
        return count;
    }
};

} // namespace

TEST_F(LineJournalTest, EveryUnitIsAnAttemptWithItsStepsIdentityAndPackage) {
    const std::string package = Package({4000});
    auto expected = sim::ExpectFirmwareFromPackage(package);
    ASSERT_TRUE(expected);
    sim::DeviceProfile profile;
    sim::ConfigureForFirmware(profile, *expected);
    StartDevices(3, profile);
    std::vector<std::string> arguments{"--firmware", package, "--language", "SimpChinese", "--mac", "02:00:00:00:01:00",
                                       "--time", "--serial", "SN-{01}", "--web-port", std::to_string(webPort),
                                       "--station", "rack-7"};
    for (const auto& address : Addresses()) arguments.push_back(address);
    LineRun run = Run(arguments);
    ASSERT_EQ(run.exitStatus, 0) << run.err << run.out;

    auto journal = Records();
    auto units = journal->Units("");
    ASSERT_EQ(units.size(), 3u);
    std::set<std::string> macs, serials, addresses;
    for (const UnitRecord& unit : units) {
        SCOPED_TRACE(unit.address);
        EXPECT_EQ(unit.station, "rack-7");
        EXPECT_EQ(unit.outcome, kOutcomeOk);
        EXPECT_EQ(unit.packagePath, package);
        EXPECT_EQ(unit.packageSha256, Sha256OfFile(package).value_or("?"));
        macs.insert(unit.mac);
        serials.insert(unit.serial);
        addresses.insert(unit.address);
        std::vector<std::string> names;
        for (const auto& step : journal->Steps(unit.id)) {
            names.push_back(step.step);
            EXPECT_EQ(step.result, kOutcomeOk) << step.step;
        }
        EXPECT_EQ(names, (std::vector<std::string>{"UpdateLanguage", "SetMacAddress", "SetDeviceTime", "SetSerial",
                                                   "UpgradeFirmware"}));
    }
    EXPECT_EQ(macs, (std::set<std::string>{"02:00:00:00:01:00", "02:00:00:00:01:01", "02:00:00:00:01:02"}));
    EXPECT_EQ(serials, (std::set<std::string>{"SN-01", "SN-02", "SN-03"}));
    EXPECT_EQ(addresses.size(), 3u);
    for (uint64_t mac = 0x020000000100ull; mac <= 0x020000000102ull; ++mac)
        EXPECT_EQ(journal->LookupMac(mac)->state, MacState::Written) << FormatMacNumber(mac);
}

TEST_F(LineJournalTest, AMacTheJournalHoldsStopsTheWholeJobBeforeAnythingIsSent) {
    StartDevices(2);
    const auto addresses = Addresses();
    LineRun first = Run({"--mac", "02:00:00:00:02:00", addresses[0]});
    ASSERT_EQ(first.exitStatus, 0) << first.err;
    const int before = Connections();

    // The second unit would get 02:00 again, which went to the first run's unit.
    LineRun again = Run({"--mac", "02:00:00:00:01:FF", addresses[0], addresses[1]});
    EXPECT_EQ(again.exitStatus, 2);
    EXPECT_NE(again.err.find("MAC地址 02:00:00:00:02:00 已写入另一台设备"), std::string::npos) << again.err;
    EXPECT_NE(again.err.find("was already written to another unit"), std::string::npos) << again.err;
    EXPECT_EQ(Connections(), before);
    EXPECT_EQ(Records()->Units("").size(), 1u);
}

TEST_F(LineJournalTest, APoolTooSmallForThePlanStopsBeforeAnythingIsSent) {
    StartDevices(3);
    auto arguments = Addresses();
    arguments.insert(arguments.begin(), {"--mac", "02:00:00:00:03:00", "--mac-pool", "02:00:00:00:03:00-02:00:00:00:03:01"});
    LineRun run = Run(arguments);
    EXPECT_EQ(run.exitStatus, 2);
    EXPECT_NE(run.err.find("MAC地址池已用完(最后地址 02:00:00:00:03:01)"), std::string::npos) << run.err;
    EXPECT_EQ(Connections(), 0);

    for (const char* pool : {"02:00:00:00:03:05-02:00:00:00:03:01", "02:00:00:00:03:00", "zz-02:00:00:00:03:01"}) {
        LineRun bad = Run({"--mac-pool", pool, "--time", Addresses()[0]});
        EXPECT_EQ(bad.exitStatus, 2) << pool;
        EXPECT_NE(bad.err.find("not a MAC pool"), std::string::npos) << bad.err;
    }
}

TEST_F(LineJournalTest, APlanReachingAnAddressNoDeviceMayCarryStopsBeforeAnythingIsSent) {
    StartDevices(2);
    // The second unit would step into the multicast block.
    LineRun stepped = Run({"--mac", "02:FF:FF:FF:FF:FF", Addresses()[0], Addresses()[1]});
    EXPECT_EQ(stepped.exitStatus, 2);
    EXPECT_NE(stepped.err.find("MAC address 03:00:00:00:00:00 cannot be a device's own"), std::string::npos)
        << stepped.err;
    LineRun broadcast = Run({"--mac", "FF:FF:FF:FF:FF:FF", Addresses()[0]});
    EXPECT_EQ(broadcast.exitStatus, 2);
    EXPECT_NE(broadcast.err.find("MAC地址 FF:FF:FF:FF:FF:FF 不能用于设备"), std::string::npos) << broadcast.err;
    EXPECT_EQ(Connections(), 0);
}

TEST_F(LineJournalTest, AJournalThatCannotBeUsedStopsWithExitTwoAndStaysUntouched) {
    StartDevices(1);
    const std::string garbage = "no journal here\n" + std::string(3000, 'x');
    WriteFileBytes(settings.units.journal.location, garbage);
    LineRun damaged = Run({"--time", Addresses()[0]});
    EXPECT_EQ(damaged.exitStatus, 2);
    EXPECT_NE(damaged.err.find("这不是Tarnwell制造日志"), std::string::npos) << damaged.err;
    EXPECT_EQ(ReadFileBytes(settings.units.journal.location), garbage);

    // --journal names another one; a folder is no journal either.
    std::filesystem::create_directories(work.File("units"));
    LineRun folder = Run({"--journal", work.File("units"), "--time", Addresses()[0]});
    EXPECT_EQ(folder.exitStatus, 2);
    EXPECT_NE(folder.err.find("制造日志不可用"), std::string::npos) << folder.err;
    EXPECT_EQ(Connections(), 0);
}

TEST_F(LineJournalTest, AnEmptiedDeletedOrSwappedJournalStopsTheJobBeforeAnythingIsSent) {
    StartDevices(1);
    const std::string address = Addresses()[0];
    const std::string journal = settings.units.journal.location;
    ASSERT_EQ(Run({"--mac", "02:00:00:00:04:00", address}).exitStatus, 0);
    const int before = Connections();

    std::filesystem::resize_file(journal, 0);
    LineRun emptied = Run({"--mac", "02:00:00:00:04:00", address});
    EXPECT_EQ(emptied.exitStatus, 2);
    EXPECT_NE(emptied.err.find("制造日志为空"), std::string::npos) << emptied.err;
    EXPECT_NE(emptied.err.find("the journal is empty"), std::string::npos) << emptied.err;

    std::filesystem::remove(journal);
    LineRun deleted = Run({"--mac", "02:00:00:00:04:00", address});
    EXPECT_EQ(deleted.exitStatus, 2);
    EXPECT_NE(deleted.err.find("tarnwell-journal init"), std::string::npos) << deleted.err;
    EXPECT_FALSE(std::filesystem::exists(journal));

    // Made again, as "delete it to start over" would have it: this station knows better.
    CreateJournal(journal);
    LineRun remade = Run({"--mac", "02:00:00:00:04:00", address});
    EXPECT_EQ(remade.exitStatus, 2);
    EXPECT_NE(remade.err.find("这不是本工位写过的制造日志"), std::string::npos) << remade.err;
    EXPECT_NE(remade.err.find("handed out MACs up to 02:00:00:00:04:00"), std::string::npos) << remade.err;
    EXPECT_EQ(Connections(), before);

    // Said on purpose, it is taken and remembered.
    EXPECT_EQ(Run({"--journal-changed", "--mac", "02:00:00:00:05:00", address}).exitStatus, 0);
    EXPECT_EQ(Run({"--mac", "02:00:00:00:05:01", address}).exitStatus, 0);
}

TEST_F(LineJournalTest, MistypedJournalUrlsAreRefusedAndMakeNothingInTheWorkingFolder) {
    StartDevices(1);
    TempDir working;
    const auto previous = std::filesystem::current_path();
    std::filesystem::current_path(working.Path());
    for (const char* typo : {"postgresql:/tarnwell", "pgsql://db/tarnwell", " postgresql://db/tarnwell",
                             "postgresql://db/tarnwell ", "http://db/tarnwell"}) {
        LineRun run = Run({"--journal", typo, "--time", Addresses()[0]});
        EXPECT_EQ(run.exitStatus, 2) << typo;
        EXPECT_NE(run.err.find("is not a journal location"), std::string::npos) << run.err;
    }
    // A relative path is the file in the working folder, said in full; it must exist.
    LineRun relative = Run({"--journal", "demo/journal.sqlite3", "--time", Addresses()[0]});
    EXPECT_EQ(relative.exitStatus, 2);
    EXPECT_NE(relative.err.find("journal " + (working.Path() / "demo/journal.sqlite3").string()), std::string::npos)
        << relative.err;
    const bool empty = std::filesystem::is_empty(working.Path());
    std::filesystem::current_path(previous);
    EXPECT_TRUE(empty);
    EXPECT_EQ(Connections(), 0);
}

TEST_F(LineJournalTest, AWriteAfterItsReservationWasReleasedFailsTheJobLoudly) {
    StartDevices(1);
    auto interleaved = std::make_shared<ReleasedWhileWriting>(Records());
    settings.units.journal.shared = interleaved;
    LineRun run = Run({"--json", "--mac", "02:00:00:00:06:00", Addresses()[0]});
    EXPECT_EQ(run.exitStatus, 1);
    EXPECT_NE(run.out.find("MAC 02:00:00:00:06:00 was released while this unit was writing it: two devices may carry it"),
              std::string::npos)
        << run.out;
    EXPECT_NE(run.err.find("two devices may carry the same MAC"), std::string::npos) << run.err;
    auto journal = Records();
    EXPECT_EQ(journal->FindUnits("02:00:00:00:06:00").size(), 2u);
    ASSERT_EQ(journal->MacConflicts(0x020000000600ull).size(), 1u);
    EXPECT_EQ(journal->MacConflicts(0x020000000600ull)[0].holder, interleaved->otherUnit);
}
