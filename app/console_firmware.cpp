// The console's firmware upgrade: the input check, the worker thread, and
// the status line, progress bar and UpdateBios button around the upgrade.
#include "app/operator_console.h"
#include "device/firmware_upgrade.h"
#include "journal/sha256.h"

#include <system_error>

namespace tarnwell {

namespace {

const BilingualText kBusy{"正在更新,请稍候!", "Updating, please wait!"};

} // namespace

// The package's digest goes into the unit before any of it is sent.
bool OperatorConsole::UpgradeFirmwareRecorded(const std::shared_ptr<JournalUnit>& unit, const std::string& path,
                                              const std::string& address) {
    if (!unit) return UpgradeFirmware(path, address);
    StepRecorder step(unit, "UpgradeFirmware");
    try {
        unit->Records().SetUnitPackage(unit->Id(), path, Sha256OfFile(path).value_or(""));
    } catch (const JournalError& error) {
        unit->MarkFailed();
        ShowBilingualMessage(JournalFaultMessage(error));
        busyWorker = false;
        return false;
    }
    const bool upgraded = UpgradeFirmware(path, address);
    return step.Finish(upgraded, *this) && upgraded;
}

void OperatorConsole::StartFirmwareUpgrade() {
    PullFields();
    // A path typed over a refused or cancelled selection was never checked.
    if (biosFilePath.empty() || firmwareFileCount == 0) {
        ShowBilingualMessage("请选择文件来更新Bios!", "please select a file update Bios!");
        return;
    }
    ReadDeviceAddress();
    // One upgrade at a time: a second one would interleave members on the device.
    if (busyWorker.load()) {
        ShowBilingualMessage(kBusy);
        return;
    }
    // The previous worker has ended its work and at most sits in its last pause.
    WaitForFirmwareWorker();
    upgradeTail.Rearm();
    // Set before the thread exists, so the worker's emptying always comes after.
    busyWorker = true;
    try {
        // The worker's step belongs to the unit of the action that started it.
        std::shared_ptr<JournalUnit> unit;
        try {
            unit = RecordedAction::CurrentUnit(*this);
        } catch (const JournalError& error) {
            busyWorker = false;
            RecordedAction::StopCurrent();
            ShowBilingualMessage(JournalFaultMessage(error));
            return;
        }
        firmwareWorker = std::thread([this, path = biosFilePath, address = deviceAddressText, unit] {
            try {
                UpgradeFirmwareRecorded(unit, path, address);
            } catch (...) {
                // Out of memory for a message text: still free the console.
                busyWorker = false;
                ui_.EnableControl(IdUpdateBios, true);
            }
        });
    } catch (const std::system_error&) {
        busyWorker = false;
        ShowBilingualMessage("无法启动升级线程!", "Cannot start the update!");
    }
}

bool OperatorConsole::UpgradeFirmware(const std::string& packagePath, const std::string& address) {
    FirmwareWorkerObserver observer(*this);
    const Outcome outcome = Noted(UpgradeFirmwareFromFile(Session(address, &observer), packagePath));
    // Ends before the members (package refused, handshake failed) leave the
    // status line, the progress bar and the button alone.
    if (!observer.MembersStarted()) {
        busyWorker = false;
        return false;
    }
    if (AllMembersTaken(outcome)) ui_.SetStatusLine("Update Bios Complete");
    ui_.SetProgress(0);
    busyWorker = false;
    ui_.EnableControl(IdUpdateBios, true);
    upgradeTail.Wait(upgradePauses.beforeIdleStatus);
    ui_.SetStatusLine("Current Process");
    return outcome.Delivered();
}

} // namespace tarnwell
