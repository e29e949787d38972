#include "journal/journal.h"
#include "journal/sha256.h"
#include "text/mac_text.h"
#include "line/address_list.h"
#include "line_fixture.h"
#include "line_schema.h"
#include "support/interrupt.h"

#include <algorithm>
#include <future>
#include <set>
#include <thread>

using namespace tarnwell;
using namespace tarnwell::test;

namespace {

std::vector<uint8_t> Head(const std::vector<uint8_t>& bytes, size_t count) {
    return {bytes.begin(), bytes.begin() + static_cast<std::ptrdiff_t>(std::min(count, bytes.size()))};
}

std::vector<uint8_t> Codes(sim::SimulatedDevice& device) {
    EXPECT_TRUE(device.WaitUntilIdle());
    std::vector<uint8_t> codes;
    for (const auto& exchange : device.Exchanges()) codes.push_back(exchange.code);
    return codes;
}

class LineJobTest : public LineFixture {
protected:
    // The devices in address order, as the runner hands out identities.
    std::vector<size_t> AddressOrder() const {
        std::vector<size_t> order(devices.size());
        for (size_t i = 0; i < order.size(); ++i) order[i] = i;
        std::sort(order.begin(), order.end(), [&](size_t a, size_t b) {
            return *line::ParseUnitAddress(devices[a]->Address()) < *line::ParseUnitAddress(devices[b]->Address());
        });
        return order;
    }
};

} // namespace

TEST_F(LineJobTest, EightUnitsGetEveryStepAndIdentitiesInAddressOrder) {
    const std::string package = Package({5000, 3001});
    auto expected = sim::ExpectFirmwareFromPackage(package);
    ASSERT_TRUE(expected);
    sim::DeviceProfile profile;
    sim::ConfigureForFirmware(profile, *expected);
    StartDevices(8, profile);
    std::vector<std::string> arguments{"--json", "--firmware", package, "--language", "SimpChinese", "--mac",
                                       "02:00:00:00:00:FE", "--video", "NTSC", "--time", "--serial", "SN-{0098}",
                                       "--web-port", std::to_string(webPort)};
    auto addresses = Addresses();
    arguments.insert(arguments.end(), addresses.rbegin(), addresses.rend()); // order given plays no part

    LineRun run = Run(arguments);
    ASSERT_EQ(run.exitStatus, 0) << run.err << run.out;
    auto units = CheckJsonLines(run.JsonLines());
    ASSERT_EQ(units.size(), 8u);

    std::string mac = "02:00:00:00:00:FE";
    size_t position = 0;
    std::set<int64_t> journalUnits;
    for (size_t index : AddressOrder()) {
        sim::SimulatedDevice& device = *devices[index];
        SCOPED_TRACE(device.Address());
        EXPECT_EQ(Codes(device), (std::vector<uint8_t>{CmdQuery, CmdSetLanguage, CmdSetMac, CmdSetVideoStandard,
                                                       CmdSetTime, CmdUpgradeHandshake, CmdUpgradeFirstFile,
                                                       CmdReadyUpgrade, CmdReadyUpgrade, CmdReboot}));
        const std::vector<uint8_t> selected{0, 0, 0, 1, 4, 0, 0, 0}; // SimpChinese and NTSC are both entry 1
        EXPECT_EQ(Head(device.ExchangesWithCode(CmdSetLanguage)[0].payload, 8), selected);
        EXPECT_EQ(Head(device.ExchangesWithCode(CmdSetVideoStandard)[0].payload, 8), selected);
        const auto macBlock = device.ExchangesWithCode(CmdSetMac)[0].payload;
        ASSERT_EQ(macBlock.size(), 33u);
        EXPECT_EQ(std::string(reinterpret_cast<const char*>(macBlock.data())), mac);
        const auto time = device.ExchangesWithCode(CmdSetTime)[0].payload;
        ASSERT_EQ(time.size(), 32u);
        EXPECT_GE(time[2] << 8 | time[3], 2024); // a four-digit year, big-endian
        EXPECT_EQ(sim::DescribeFirmwareMismatch(device, *expected), "");
        EXPECT_EQ(device.RebootCount(), 1);

        const std::string serial = "SN-" + std::to_string(98 + position).insert(0, position < 2 ? 2 : 1, '0');
        auto requests = webs[index]->Requests();
        ASSERT_EQ(requests.size(), 1u);
        EXPECT_EQ(requests[0].rfind("GET /cgi-bin/setparm.cgi?Serial=" + serial + " HTTP/1.1\r\n", 0), 0u) << requests[0];
        EXPECT_NE(requests[0].find("Host: " + device.Address() + "\r\n"), std::string::npos);

        const auto& unit = units.at(device.Address());
        EXPECT_EQ(unit["result"], "ok");
        EXPECT_EQ(unit["mac"], mac);
        EXPECT_EQ(unit["serial"], serial);
        // A unit line leads a program to the unit's journal row and the package it got.
        EXPECT_EQ(unit["package_sha256"], Sha256OfFile(package).value_or("?"));
        ASSERT_TRUE(unit.contains("journal_unit"));
        journalUnits.insert(unit["journal_unit"].get<int64_t>());
        std::string next;
        ASSERT_TRUE(StepMacText(mac, next));
        mac = next;
        ++position;
    }
    std::set<int64_t> recorded;
    for (const auto& unit : OpenJournal(settings.units.journal.location)->Units("")) recorded.insert(unit.id);
    EXPECT_EQ(journalUnits, recorded);
}

TEST_F(LineJobTest, StepLinesCountTheBytesEachStepSent) {
    StartDevices(1);
    LineRun run = Run({"--json", "--time", "--mac", "00:11:22:33:44:55", devices[0]->Address()});
    ASSERT_EQ(run.exitStatus, 0) << run.err;
    auto lines = run.JsonLines();
    ASSERT_EQ(lines.size(), 4u);
    EXPECT_EQ(lines[0]["step"], "mac");
    EXPECT_EQ(lines[0]["bytes_sent"], 32 + 33);
    EXPECT_EQ(lines[1]["step"], "time");
    EXPECT_EQ(lines[1]["bytes_sent"], 32 + 32);
}

TEST_F(LineJobTest, ARefusedHandshakeFailsThatUnitAloneAndTheOthersAreIntact) {
    const std::string package = Package({4000});
    auto expected = sim::ExpectFirmwareFromPackage(package);
    ASSERT_TRUE(expected);
    sim::DeviceProfile profile;
    sim::ConfigureForFirmware(profile, *expected);
    StartDevices(4, profile);
    devices[1]->AddFault({sim::FaultKind::RefuseStep, 0, CmdUpgradeHandshake});
    std::vector<std::string> arguments{"--json", "--jobs", "2", "--time", "--firmware", package};
    for (const auto& address : Addresses()) arguments.push_back(address);

    LineRun run = Run(arguments);
    EXPECT_EQ(run.exitStatus, 1);
    auto lines = run.JsonLines();
    auto units = CheckJsonLines(lines);
    for (size_t i = 0; i < devices.size(); ++i) {
        sim::SimulatedDevice& device = *devices[i];
        SCOPED_TRACE(device.Address());
        // The runner may exit before the device has read its last command.
        ASSERT_TRUE(device.WaitUntilIdle());
        if (i == 1) {
            EXPECT_EQ(Codes(device), (std::vector<uint8_t>{CmdSetTime, CmdUpgradeHandshake}));
            EXPECT_EQ(device.RebootCount(), 0);
            EXPECT_EQ(units.at(device.Address())["result"], "failed");
        } else {
            EXPECT_EQ(sim::DescribeFirmwareMismatch(device, *expected), "");
            EXPECT_EQ(device.RebootCount(), 1);
            EXPECT_EQ(units.at(device.Address())["result"], "ok");
        }
    }
    auto refused = std::find_if(lines.begin(), lines.end(), [&](const nlohmann::json& line) {
        return line["type"] == "step" && line["unit"] == devices[1]->Address() && line["step"] == "firmware";
    });
    ASSERT_NE(refused, lines.end());
    EXPECT_EQ((*refused)["result"], "refused");
    EXPECT_EQ((*refused)["failure"], "refused");
    EXPECT_EQ((*refused)["messages"],
              nlohmann::json::parse(R"([{"chinese":"升级协议版本不合","english":"UpdateTool's protocol version not applicable!"}])"));
    EXPECT_EQ(lines.back()["failed"], 1);
}

TEST_F(LineJobTest, WithoutJsonProgressAndResultsArePlainLines) {
    StartDevices(2);
    const std::string missing = UnusedLoopbackAddress();
    LineRun run = Run({"--time", "--reboot", devices[0]->Address(), devices[1]->Address(), missing});
    EXPECT_EQ(run.exitStatus, 1);
    EXPECT_EQ(run.out.find('\x1b'), std::string::npos) << "no cursor movement into a file";
    EXPECT_NE(run.out.find(devices[0]->Address() + " time ok"), std::string::npos) << run.out;
    EXPECT_NE(run.out.find(missing + " time: 连接失败6 (Connect Failed!)"), std::string::npos) << run.out;
    EXPECT_NE(run.out.find("3 units: 2 ok, 1 failed, 0 stopped"), std::string::npos) << run.out;
    for (int i = 0; i < 2; ++i) {
        EXPECT_EQ(Codes(*devices[i]), (std::vector<uint8_t>{CmdSetTime, CmdReboot}));
    }
}

TEST_F(LineJobTest, EachUnitKeepsALogFileOfItsOwn) {
    StartDevices(1);
    const std::string missing = UnusedLoopbackAddress();
    const std::string folder = work.File("logs");
    LineRun run = Run({"--log-dir", folder, "--time", "--mac", "02:00:00:00:07:00", devices[0]->Address(), missing});
    EXPECT_EQ(run.exitStatus, 1);
    const std::string good = ReadFileBytes(folder + "/" + devices[0]->Address() + ".log");
    const std::string bad = ReadFileBytes(folder + "/" + missing + ".log");
    EXPECT_NE(good.find("started mac 02:00:00:00:07:00"), std::string::npos) << good;
    EXPECT_NE(good.find("time ok"), std::string::npos) << good;
    EXPECT_NE(good.find("unit ok, journal unit "), std::string::npos) << good;
    EXPECT_EQ(good.find(missing), std::string::npos) << "no unit writes into another's log";
    EXPECT_NE(bad.find("mac failed (connect)"), std::string::npos) << bad;
    EXPECT_NE(bad.find("Connect Failed!"), std::string::npos) << bad;
    EXPECT_NE(bad.find("unit failed"), std::string::npos) << bad;
    // Each line starts with its time.
    EXPECT_EQ(good.substr(4, 1) + good.substr(10, 1), "-T") << good;
}

TEST_F(LineJobTest, BadUsageIsReportedBeforeAnythingIsSent) {
    StartDevices(1);
    const std::string unit = devices[0]->Address();
    WriteFileBytes(work.File("not.tar"), std::string(2000, 'x'));
    WriteFileBytes(work.File("serials.csv"), "address,serial\n127.0.0.99,SN-1\n");
    const std::vector<std::vector<std::string>> cases = {
        {"--bogus", unit},
        {"--time", "300.1.1.1"},
        {"--time", "127.0.0.9-127.0.0.2"},
        {"--time", "127.0.0.2-"},
        {"--time", "0.0.0.0"},
        {"--firmware", work.File("missing.tar"), unit},
        {"--firmware", work.File("not.tar"), unit},
        {"--serial", "SN-0001", unit},
        {"--serial", "SN-{00a1}", unit},
        {"--serial", work.File("serials.csv"), unit},
        {"--time", unit, unit},
        {"--language", "Klingon", unit},
        {"--mac", "00:11:22:33:44", unit},
        {"--video", "SECAM", unit},
        {"--jobs", "0", "--time", unit},
        {"--retry", "-1", "--time", unit},
        {"--step-timeout", "soon", "--time", unit},
        {"--wait-online", "-5", "--time", unit},
        {"--wait-online", "10", unit},
        {"--log-dir", work.File("not.tar"), "--time", unit},
        {unit},
        {"--time"},
    };
    for (const auto& arguments : cases) {
        LineRun run = Run(arguments);
        EXPECT_EQ(run.exitStatus, 2) << arguments[0] << " " << arguments.back();
        EXPECT_NE(run.err.find("tarnwell-line: "), std::string::npos) << run.err;
        EXPECT_EQ(run.out, "");
    }
    ASSERT_TRUE(devices[0]->WaitUntilIdle());
    EXPECT_EQ(devices[0]->ConnectionCount(), 0);
    EXPECT_EQ(webs[0]->ConnectionCount(), 0u);
}

TEST_F(LineJobTest, CtrlCLetsTheRunningMemberFinishAndStillReportsEveryUnit) {
    constexpr size_t kMember = 64 * 1024;
    const std::string package = Package({kMember, kMember});
    auto expected = sim::ExpectFirmwareFromPackage(package);
    ASSERT_TRUE(expected);
    sim::DeviceProfile profile;
    sim::ConfigureForFirmware(profile, *expected);
    StartDevices(2, profile);
    // The device holds its answer to the first 0xC7 member's data: the member is running when Ctrl-C comes.
    const auto order = AddressOrder();
    sim::SimulatedDevice& first = *devices[order[0]];
    first.AddFault({sim::FaultKind::AnswerSlowly, 0, CmdReadyUpgrade, 0, std::chrono::milliseconds(1500), 2});

    auto running = std::async(std::launch::async, [&] {
        return Run({"--json", "--jobs", "1", "--firmware", package, devices[0]->Address(), devices[1]->Address()});
    });
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(20);
    bool memberArrived = false;
    while (!memberArrived && std::chrono::steady_clock::now() < deadline) {
        for (const auto& bytes : first.ConnectionBytes())
            memberArrived = memberArrived || (!bytes.empty() && bytes[0] == CmdReadyUpgrade && bytes.size() >= 32 + kMember);
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
    ASSERT_TRUE(memberArrived);
    ASSERT_TRUE(InterruptThisProcess()) << "no console to deliver Ctrl-C through";
    LineRun run = running.get();

    EXPECT_EQ(run.exitStatus, 1);
    auto lines = run.JsonLines();
    auto units = CheckJsonLines(lines);
    ASSERT_EQ(units.size(), 2u);
    // The running member went out whole and was answered; no further member, no reboot.
    EXPECT_EQ(Codes(first), (std::vector<uint8_t>{CmdUpgradeHandshake, CmdUpgradeFirstFile, CmdReadyUpgrade}));
    EXPECT_EQ(first.ExchangesWithCode(CmdReadyUpgrade)[0].payload, expected->members[0]);
    EXPECT_EQ(first.RebootCount(), 0);
    EXPECT_EQ(units.at(first.Address())["result"], "stopped");
    EXPECT_EQ(units.at(first.Address())["steps"][0]["result"], "stopped");
    // The unit that had not started is reported with its steps not run, and got nothing.
    sim::SimulatedDevice& second = *devices[order[1]];
    EXPECT_EQ(units.at(second.Address())["result"], "stopped");
    EXPECT_EQ(units.at(second.Address())["not_run"], nlohmann::json::parse(R"(["firmware"])"));
    EXPECT_EQ(Codes(second), std::vector<uint8_t>{});
    EXPECT_EQ(lines.back()["interrupted"], true);
    EXPECT_EQ(lines.back()["stopped"], 2);
    // The operator heard at once what the stop waits for; the journal has the stopped unit as stopped.
    EXPECT_NE(run.err.find("stopping: 1 unit finishes its current member"), std::string::npos) << run.err;
    auto recorded = OpenJournal(settings.units.journal.location)->Units("");
    ASSERT_EQ(recorded.size(), 1u);
    EXPECT_EQ(recorded[0].address, first.Address());
    EXPECT_EQ(recorded[0].outcome, "stopped");
}
