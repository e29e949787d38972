#include "line_fixture.h"
#include "line_schema.h"
#include "sdk/device_search_protocol.h"
#include "sim/discovery_responder.h"
#include "platform/environment.h"

#include <cstdlib>

using namespace tarnwell;
using namespace tarnwell::test;

namespace {

// Devices answer searches on a discovery port of their own, so no other simulator answers here.
class LineSearchTest : public LineFixture {
protected:
    void Answer(const std::vector<std::string>& addresses) {
        std::vector<sim::DiscoverableDevice> found;
        for (const auto& address : addresses) {
            sim::DiscoverableDevice device;
            device.address = address;
            device.webPort = webPort;
            device.dataPort = 10002;
            device.gateway = "127.0.0.1";
            device.mac = "02:00:00:00:00:01";
            device.deviceType = "SIM-CAM";
            found.push_back(device);
        }
        ASSERT_TRUE(responder.Start(found, 0));
        SetEnvironmentVariable(devsearch::kPortVariable, std::to_string(responder.Port()));
        settings.searchLibraryPath = TARNWELL_BINARY_DIR "/bin/libtarnwell_devsearch.so";
    }
    ~LineSearchTest() override { RemoveEnvironmentVariable(devsearch::kPortVariable); }

    sim::DiscoveryResponder responder;
};

} // namespace

TEST_F(LineSearchTest, FoundDevicesJoinTheJobWithTheirWebPorts) {
    StartDevices(2);
    Answer({devices[0]->Address(), devices[1]->Address()});
    LineRun run = Run({"--json", "--serial", "SN-{1}", "--search", "lo"});
    ASSERT_EQ(run.exitStatus, 0) << run.err;
    auto units = CheckJsonLines(run.JsonLines());
    EXPECT_EQ(units.size(), 2u);
    for (size_t i = 0; i < 2; ++i) EXPECT_EQ(webs[i]->Requests().size(), 1u) << "found with its web port";
}

TEST_F(LineSearchTest, AnAddressGivenAndAlsoFoundIsADuplicate) {
    StartDevices(1);
    Answer({devices[0]->Address()});
    LineRun run = Run({"--time", "--search", "lo", devices[0]->Address()});
    EXPECT_EQ(run.exitStatus, 2);
    EXPECT_NE(run.err.find(devices[0]->Address() + " is given more than once"), std::string::npos) << run.err;
    EXPECT_EQ(Run({"--time", "--search", "no-such-adapter0"}).exitStatus, 2);
    ASSERT_TRUE(devices[0]->WaitUntilIdle());
    EXPECT_EQ(devices[0]->ConnectionCount(), 0);
}
