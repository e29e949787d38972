// The console keeps its texts whatever the evidence: a block the device cut
// short is a send failure and the MAC is not stepped; a device that gives no
// sign either way still reads as the console always read it.
#include "protocol/command_block.h"
#include "support/console_fixture.h"
#include "support/platform_limits.h"

using namespace tarnwell;
using namespace tarnwell::test;
using namespace std::chrono_literals;

namespace {

class ConsoleEvidenceTest : public ConsoleFixture {
protected:
    ConsoleEvidenceTest() {
        UiLanguage = 1;
        console.channelLimits.closeWait = 300ms;
        ui.controls.macText = console.macText = "02:00:00:00:00:0A";
        ui.controls.autoIncrementMac = console.autoIncrementMac = 1;
    }
};

} // namespace

TEST_F(ConsoleEvidenceTest, ACutMacBlockIsASendFailureAndTheMacStaysForTheNextTry) {
    if (const PlatformLimit limit = NoAbortiveCloseEvidence()) GTEST_SKIP() << limit.reason;
    UseDevice().AddFault({sim::FaultKind::CloseEarly, 0, CmdSetMac, 5});
    console.OnUpdateMac();
    EXPECT_EQ(ui.Messages(), std::vector<std::string>{"发送数据失败!"});
    EXPECT_EQ(console.macText, "02:00:00:00:00:0A");
}

TEST_F(ConsoleEvidenceTest, AnUnconfirmedSettingShowsTheUsualSuccess) {
    sim::DeviceProfile holding;
    holding.holdOpen = true;
    holding.idleTimeout = 2s;
    UseDevice(holding);
    console.OnUpdateMac();
    EXPECT_EQ(ui.Messages(), std::vector<std::string>{"更新成功"});
    EXPECT_EQ(console.macText, "02:00:00:00:00:0B");
}
