// The real pause between members, and the last pause that a new upgrade cuts short.
#include "upgrade_fixture.h"

using namespace tarnwell;
using namespace tarnwell::test;
using namespace std::chrono_literals;

namespace {

const std::vector<PackageFile> kInstallOnly{{"Install.xml", "<install/>\n"}};

TEST_F(UpgradeFixture, OneSecondBetweenMembers) {
    console.upgradePauses = UpgradePauses{};
    console.upgradePauses.beforeIdleStatus = 0ms;
    UseDevice(Expect(kInstallOnly));
    RunUpgrade(PackWithTar(kInstallOnly, "ustar"));
    auto first = ui.When("status Update 0-10...");
    auto second = ui.When("status Update 1-10...");
    ASSERT_TRUE(first && second);
    EXPECT_GE(*second - *first, 1000ms);
    EXPECT_LT(*second - *first, 3000ms); // one pause, not the three-second one
}

TEST_F(UpgradeFixture, NewUpgradeCutsThePreviousOnesLastPauseShort) {
    console.upgradePauses.beforeIdleStatus = 20s;
    UseDevice(Expect(kInstallOnly));
    ui.controls.biosFilePath = PackWithTar(kInstallOnly, "ustar");
    console.firmwareFileCount = 1;
    console.StartFirmwareUpgrade();
    while (console.busyWorker.load()) std::this_thread::sleep_for(5ms);
    std::this_thread::sleep_for(100ms);
    EXPECT_EQ(ui.When("status Current Process"), std::nullopt); // still in its last pause

    auto before = Clock::now();
    console.StartFirmwareUpgrade();
    EXPECT_LT(Clock::now() - before, 5s); // far from the 20 s pause
    console.upgradeTail.Cut();
    console.firmwareWorker.join();
    ASSERT_TRUE(device->WaitUntilIdle());
    EXPECT_EQ(device->RebootCount(), 2);
    auto log = ui.Log();
    auto idle = std::find(log.begin(), log.end(), "status Current Process");
    auto secondStart = std::find(idle, log.end(), "disable 1019");
    EXPECT_NE(secondStart, log.end()); // the first worker finished before the second began
}

} // namespace
