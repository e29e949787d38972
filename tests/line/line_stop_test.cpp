// A second Ctrl-C ends the runner while units still wait on their devices:
// their journal rows are closed as interrupted first, none is left running.
#include "journal/journal.h"
#include "line_fixture.h"
#include "support/interrupt.h"

#include <future>
#include <thread>

using namespace tarnwell;
using namespace tarnwell::test;

namespace {

using LineStopTest = LineFixture;

bool MemberArrived(sim::SimulatedDevice& device, size_t memberSize) {
    for (const auto& bytes : device.ConnectionBytes())
        if (!bytes.empty() && bytes[0] == CmdReadyUpgrade && bytes.size() >= 32 + memberSize) return true;
    return false;
}

} // namespace

TEST_F(LineStopTest, ASecondCtrlCClosesTheRunningUnitsAsInterruptedBeforeTheProgramEnds) {
    constexpr size_t kMember = 16 * 1024;
    const std::string package = StartFirmwareDevices(2, {kMember, kMember});
    ASSERT_EQ(devices.size(), 2u);
    // Both units wait for the verdict on their first member's data when the operator gives up.
    for (auto& device : devices) device->AddFault({sim::FaultKind::StaySilent, 0, CmdReadyUpgrade, 0, {}, 2});
    settings.units.channelLimits.worker = std::chrono::milliseconds(4000);

    std::promise<int> status;
    std::vector<std::string> outcomesAtExit;
    settings.abandon = [&](int code) {
        for (const auto& unit : OpenJournal(settings.units.journal.location)->Units(""))
            outcomesAtExit.push_back(unit.outcome);
        status.set_value(code);
    };
    auto running = std::async(std::launch::async, [&] {
        return Run({"--json", "--firmware", package, devices[0]->Address(), devices[1]->Address()});
    });
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(20);
    while (!(MemberArrived(*devices[0], kMember) && MemberArrived(*devices[1], kMember)) &&
           std::chrono::steady_clock::now() < deadline)
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    ASSERT_TRUE(MemberArrived(*devices[0], kMember) && MemberArrived(*devices[1], kMember));
    ASSERT_TRUE(InterruptThisProcess()) << "no console to deliver Ctrl-C through";
    std::this_thread::sleep_for(std::chrono::milliseconds(300));
    ASSERT_TRUE(InterruptThisProcess());

    auto exited = status.get_future();
    ASSERT_EQ(exited.wait_for(std::chrono::seconds(3)), std::future_status::ready) << "the second Ctrl-C went unheard";
    EXPECT_EQ(exited.get(), 130);
    EXPECT_EQ(outcomesAtExit, (std::vector<std::string>{"interrupted", "interrupted"}));
    LineRun run = running.get();
    EXPECT_NE(run.err.find("stopping: 2 units finish their current member"), std::string::npos) << run.err;
    EXPECT_NE(run.err.find("interrupted: 2 running units closed"), std::string::npos) << run.err;
    for (auto& device : devices) EXPECT_EQ(device->RebootCount(), 0);
}
