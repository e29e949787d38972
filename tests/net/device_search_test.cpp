#include "net/device_search_library.h"
#include "net/device_search_run.h"
#include "sdk/device_search_protocol.h"
#include "sim/discovery_responder.h"
#include "platform/environment.h"

#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <unistd.h>
#include <gtest/gtest.h>

using namespace tarnwell;
using tarnwell::sim::DiscoveryResponder;
using tarnwell::sim::DiscoverableDevice;

namespace {

const std::string kLibraryPath = TARNWELL_BINARY_DIR "/bin/" + kDeviceSearchLibraryName;

std::vector<DiscoverableDevice> FourDevices() {
    std::vector<DiscoverableDevice> devices;
    for (int i = 0; i < 4; ++i) {
        DiscoverableDevice device;
        device.address = "127.0.0." + std::to_string(20 + i);
        device.webPort = 8080 + i;
        device.dataPort = i == 3 ? -1 : 10002;
        device.mobilePort = 554 + i;
        device.gateway = "127.0.0.1";
        device.mac = "00:11:22:33:44:5" + std::to_string(i);
        device.deviceType = "IPC-" + std::string(60, 'X') + std::to_string(i); // longer than its slot
        devices.push_back(device);
    }
    return devices;
}

// A responder on a port of its own, so searches here meet no other simulator.
class DeviceSearchTest : public testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(std::filesystem::exists(kLibraryPath)) << "build tarnwell_devsearch first";
        ASSERT_TRUE(responder.Start(FourDevices(), 0));
        SetEnvironmentVariable(devsearch::kPortVariable, std::to_string(responder.Port()));
    }
    void TearDown() override { RemoveEnvironmentVariable(devsearch::kPortVariable); }

    DiscoveryResponder responder;
    DeviceSearchLibrary library{kLibraryPath};
};

std::vector<uint8_t> Records(size_t count) {
    std::vector<uint8_t> buffer(kSearchResultBufferSize, 0);
    for (size_t i = 0; i < count && i < kMaxDeviceSearchRecords; ++i) {
        auto record = devsearch::EncodeRecord({"127.0.1." + std::to_string(i), 10002, 80, 0, "127.0.1.254", "mac", "type"});
        std::copy(record.begin(), record.end(), buffer.begin() + i * kDeviceSearchRecordSize);
    }
    return buffer;
}

} // namespace

TEST_F(DeviceSearchTest, FindsEverySimulatedDeviceOnLoopback) {
    ASSERT_TRUE(library.IsLoaded());
    EXPECT_EQ(library.Open(0, this), 1);
    EXPECT_EQ(library.Open(0, this), 1); // a dialog closed without ordinal 2 before
    auto started = std::chrono::steady_clock::now();
    SearchResult result = RunDeviceSearch(library, "127.0.0.1");
    auto took = std::chrono::steady_clock::now() - started;
    EXPECT_LT(took, std::chrono::milliseconds(2000)) << "the search should end soon after the last answer";

    ASSERT_EQ(result.outcome, SearchOutcome::kDevicesFound);
    ASSERT_EQ(result.rows.size(), 4u);
    std::sort(result.rows.begin(), result.rows.end(), [](const auto& a, const auto& b) { return a.address < b.address; });
    auto devices = FourDevices();
    for (size_t i = 0; i < 4; ++i) {
        const DeviceSearchRow& row = result.rows[i];
        EXPECT_EQ(row.address, devices[i].address);
        EXPECT_EQ(row.mac, devices[i].mac);
        EXPECT_EQ(row.gateway, "127.0.0.1");
        EXPECT_EQ(row.webPort, std::to_string(devices[i].webPort));
        EXPECT_EQ(row.mobilePort, std::to_string(devices[i].mobilePort));
        EXPECT_EQ(row.deviceType, devices[i].deviceType.substr(0, 63));
    }
    EXPECT_EQ(result.rows[3].dataPort, "-1");
    EXPECT_EQ(library.Close(), 1);
}

TEST_F(DeviceSearchTest, ResultNeverOverrunsASmallBufferAndRepeatsAreDropped) {
    auto devices = FourDevices();
    devices.push_back(devices[0]); // a device answering twice
    ASSERT_TRUE(responder.SetDevices(devices));
    std::vector<char> buffer(3 * kDeviceSearchRecordSize + 100, 'G');
    int32_t count = 0;
    library.SearchDevices(buffer.data(), 3 * kDeviceSearchRecordSize + 50, &count, 1000, "127.0.0.1");
    EXPECT_EQ(count, static_cast<int32_t>(3 * kDeviceSearchRecordSize));
    EXPECT_EQ(std::string(buffer.end() - 100, buffer.end()), std::string(100, 'G'));

    std::vector<char> full(kSearchResultBufferSize);
    library.SearchDevices(full.data(), static_cast<int32_t>(full.size()), &count, 1000, "127.0.0.1");
    EXPECT_EQ(count, static_cast<int32_t>(4 * kDeviceSearchRecordSize));
}

TEST_F(DeviceSearchTest, UnknownAdapterAddressFailsWithoutSending) {
    EXPECT_EQ(RunDeviceSearch(library, "").outcome, SearchOutcome::kSearchFailed);
    EXPECT_EQ(RunDeviceSearch(library, "127.0.0.99").outcome, SearchOutcome::kSearchFailed);
    EXPECT_EQ(responder.ProbesAnswered(), 0u);
}

TEST(DeviceSearchLibrary, MissingLibraryOrEntryReportsSearchFailed) {
    for (const char* path : {"/nonexistent/libtarnwell_devsearch.so", "libz.so.1"}) {
        DeviceSearchLibrary library(path);
        EXPECT_FALSE(library.IsLoaded());
        EXPECT_NE(library.LoadError(), "");  // the console's warning names the cause
        EXPECT_EQ(library.Open(0, nullptr), 0);
        EXPECT_EQ(library.Close(), 0);
        int32_t count = 77;
        char buffer[164];
        EXPECT_EQ(library.SearchDevices(buffer, sizeof buffer, &count, 10, "127.0.0.1"), 0);
        EXPECT_EQ(count, 0);
        SearchResult result = RunDeviceSearch(library, "127.0.0.1");
        EXPECT_EQ(result.outcome, SearchOutcome::kSearchFailed);
        EXPECT_STREQ(SearchOutcomeMessage(result.outcome), "Search Failed");
    }
}

TEST(DeviceSearchLibrary, DefaultPathIsBesideTheProgram) {
    std::string path = DefaultDeviceSearchLibraryPath();
    EXPECT_EQ(std::filesystem::path(path).filename(), kDeviceSearchLibraryName);
    EXPECT_EQ(std::filesystem::path(path).parent_path(), std::filesystem::path(OwnExecutablePath()).parent_path());
}

TEST(DeviceSearchLibrary, InstalledProgramFindsThePrivateFolderUnlessOneIsBesideIt) {
    namespace fs = std::filesystem;
    if (!*kInstalledLibraryFolder) GTEST_SKIP() << "no package layout in this build";
    const fs::path root = fs::temp_directory_path() / ("tarnwell-layout-" + std::to_string(::getpid()));
    fs::create_directories(root / "usr/bin");
    const std::string program = (root / "usr/bin/tarnwell").string();
    const std::string beside = (root / "usr/bin" / kDeviceSearchLibraryName).string();
    const fs::path privateFolder = (root / "usr/bin" / kInstalledLibraryFolder).lexically_normal();
    const std::string installed = (privateFolder / kDeviceSearchLibraryName).string();
    EXPECT_EQ(privateFolder.parent_path().parent_path().parent_path(), root / "usr");  // usr/lib/<arch>/tarnwell

    EXPECT_EQ(DeviceSearchLibraryPathFor(program), beside);  // neither: the error names the build-tree place
    fs::create_directories(privateFolder);
    std::ofstream(installed).put('x');
    EXPECT_EQ(DeviceSearchLibraryPathFor(program), installed);
    std::ofstream(beside).put('x');
    EXPECT_EQ(DeviceSearchLibraryPathFor(program), beside);
    EXPECT_EQ(DeviceSearchLibraryPathFor(""), "");
    fs::remove_all(root);
}

TEST(SearchResultReader, CountsBecomeWholeRecordsUpToTwoHundred) {
    auto buffer = Records(200);
    struct Case { int32_t count; size_t rows; SearchOutcome outcome; };
    for (Case c : {Case{164, 1, SearchOutcome::kDevicesFound}, Case{327, 1, SearchOutcome::kDevicesFound},
                   Case{32800, 200, SearchOutcome::kDevicesFound}, Case{163, 0, SearchOutcome::kNoDevice},
                   Case{0, 0, SearchOutcome::kSearchFailed}, Case{-164, 0, SearchOutcome::kSearchFailed},
                   Case{INT32_MIN, 0, SearchOutcome::kSearchFailed}, Case{INT32_MAX, 200, SearchOutcome::kDevicesFound}}) {
        SearchResult result = ReadSearchResult(buffer.data(), buffer.size(), c.count);
        EXPECT_EQ(result.rows.size(), c.rows) << c.count;
        EXPECT_EQ(result.outcome, c.outcome) << c.count;
    }
    EXPECT_EQ(ReadSearchResult(buffer.data(), buffer.size(), 32800).rows[199].address, "127.0.1.199");
    EXPECT_STREQ(SearchOutcomeMessage(SearchOutcome::kNoDevice), "no device");
    // A count beyond a short buffer stops at the buffer's last whole record.
    EXPECT_EQ(ReadSearchResult(buffer.data(), 2 * 164 + 10, 32800).rows.size(), 2u);
}

TEST(SearchResultReader, TextsEndAtTheirSlotAndPortsAreSigned) {
    std::vector<uint8_t> slot(164, 'A'); // no terminating zero anywhere
    devsearch::PutLe32(slot.data() + devsearch::kDataPortOffset, 0xffffffffu);
    devsearch::PutLe32(slot.data() + devsearch::kWebPortOffset, 80);
    devsearch::PutLe32(slot.data() + devsearch::kMobilePortOffset, 0x80000000u);
    SearchResult result = ReadSearchResult(slot.data(), slot.size(), 164);
    ASSERT_EQ(result.rows.size(), 1u);
    const DeviceSearchRow& row = result.rows[0];
    EXPECT_EQ(row.address, std::string(16, 'A'));
    EXPECT_EQ(row.gateway, std::string(16, 'A'));
    EXPECT_EQ(row.mac, std::string(40, 'A'));
    EXPECT_EQ(row.deviceType, std::string(64, 'A'));
    EXPECT_EQ(row.dataPort, "-1");
    EXPECT_EQ(row.webPort, "80");
    EXPECT_EQ(row.mobilePort, "-2147483648");
}

TEST(DiscoveryResponder, RefusesDevicesOffLoopback) {
    DiscoveryResponder responder;
    DiscoverableDevice device;
    device.address = "192.0.2.5";
    EXPECT_FALSE(responder.Start({device}, 0));
    EXPECT_FALSE(responder.IsRunning());
    device.address = "127.0.0.9";
    ASSERT_TRUE(responder.Start({device}, 0));
    EXPECT_NE(responder.Port(), 0);
    device.address = "not an address";
    EXPECT_FALSE(responder.SetDevices({device}));
    responder.Stop();
    EXPECT_FALSE(responder.IsRunning());
}
