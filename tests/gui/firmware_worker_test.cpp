#include "app/gui/operator_console_dialog.h"
#include "app/gui/ipv4_address_edit.h"
#include "app/gui/qsettings_store.h"
#include "support/loopback_device.h"
#include "support/recording_prompts.h"
#include "support/temp_dir.h"
#include "support/ustar_writer.h"

#include <QCheckBox>
#include <QLabel>
#include <QLineEdit>
#include <QTest>
#include <gtest/gtest.h>

using namespace tarnwell;
using namespace tarnwell::test;

namespace {

bool WaitFor(const std::function<bool()>& condition, int limitMs = 10000) {
    for (int waited = 0; waited < limitMs && !condition(); waited += 10) QTest::qWait(10);
    return condition();
}

} // namespace

// The window waits for a finished worker before starting the next upgrade;
// the worker's last updates must not wait for the window in turn.
TEST(FirmwareWorkerInTheWindow, ANewUpgradeDuringTheLastPauseNeitherHangsNorLosesTheStatus) {
    RecordingPrompts::Current().Clear();
    auto device = StartDevice();
    TempDir dir;
    WriteFileBytes(dir.File("pkg.tar"), MakeUstarArchive({{"Install.xml", "<install/>"}}));
    QSettingsStore settings;
    OperatorConsoleDialog dialog(settings);
    OperatorConsole& console = dialog.Console();
    console.upgradePauses.betweenMembers = std::chrono::milliseconds(0);
    console.upgradePauses.beforeIdleStatus = std::chrono::milliseconds(20000);
    dialog.ControlAs<Ipv4AddressEdit>(IdAddress)->SetText(QString::fromStdString(device->Address()));
    dialog.ControlAs<QLineEdit>(IdBiosPathEdit)->setText(QString::fromStdString(dir.File("pkg.tar")));
    console.firmwareFileCount = 1;

    console.OnUpdateBios();
    ASSERT_TRUE(WaitFor([&] { return device->RebootCount() == 1 && !console.busyWorker.load(); }));
    EXPECT_TRUE(WaitFor([&] { return dialog.ControlAs<QLabel>(IdStatusLine)->text() == "Update Bios Complete"; }));

    console.upgradePauses.beforeIdleStatus = std::chrono::milliseconds(0);
    auto started = std::chrono::steady_clock::now();
    console.OnUpdateBios(); // joins the first worker, which sits in its 20 s pause
    ASSERT_TRUE(WaitFor([&] { return device->RebootCount() == 2 && !console.busyWorker.load(); }));
    EXPECT_LT(std::chrono::steady_clock::now() - started, std::chrono::seconds(10));
    EXPECT_TRUE(WaitFor([&] { return dialog.ControlAs<QLabel>(IdStatusLine)->text() == "Current Process"; }));
    EXPECT_TRUE(dialog.Control(IdUpdateBios)->isEnabled());
    EXPECT_TRUE(RecordingPrompts::Current().messages.empty());
}
