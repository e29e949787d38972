// The operator's update commands: Update All and the single-item buttons.
// Every action reads the address on screen, clears its ARP entry, then runs.
// Each one is a unit attempt in the journal and each device operation a step;
// a journal that fails stops the action before its next operation.
#include "app/operator_console.h"

namespace tarnwell {

namespace {

std::string RebootQuestion() { return UiLanguage.load() == 1 ? "是否重启?" : "Whether to Reboot?"; }

// One setting as its own recorded action, "更新成功" on success.
void RunSingleSetting(OperatorConsole& console, const char* step, const std::function<int()>& operation) {
    RecordedAction action(console);
    int result = 0;
    if (action.Step(step, [&] { return result = operation(); }) && result != 0)
        console.ShowBilingualMessage("更新成功", "Update Success");
}

} // namespace

void OperatorConsole::UpdateAll() {
    PullFields();
    ReadDeviceAddress();
    PurgeArpEntry();
    // The check boxes are read at this moment, from the controls; a failed
    // item reports itself and the next one still runs.
    RecordedAction action(*this);
    bool ran = false;
    auto runIfChecked = [&](int checkBox, const char* step, const std::function<int()>& item) {
        if (action.Stopped() || !ui_.IsChecked(checkBox)) return;
        action.Step(step, item);
        ran = true;
    };
    runIfChecked(IdCheckPicture, "UpdatePicture", [&] { return UpdatePicture(); });
    runIfChecked(IdCheckLanguage, "UpdateLanguage", [&] { return UpdateLanguage(); });
    runIfChecked(IdCheckMac, "SetMacAddress", [&] { return SetMacAddress(); });
    runIfChecked(IdCheckVideoStandard, "SetVideoStandard", [&] { return SetVideoStandard(); });
    runIfChecked(IdCheckTime, "SetDeviceTime", [&] { return SetDeviceTime(); });
    // Last: the upgrade goes on in its worker after this returns.
    runIfChecked(IdCheckFirmware, "StartFirmwareUpgrade", [&] { return StartFirmwareUpgrade(), 1; });
    if (action.Stopped()) return;
    if (ran) ShowBilingualMessage("升成完成", "Update Complete");
    if (ui_.IsChecked(IdCheckLanguage) && !ui_.IsChecked(IdCheckFirmware) && ui_.AskYesNo(RebootQuestion()))
        action.Step("RebootDevice", [&] { return RebootDevice(), 1; });
}

void OperatorConsole::OnUpdateBios() {
    ReadDeviceAddress();
    PurgeArpEntry();
    // The worker reports its progress and its end itself.
    RecordedAction action(*this);
    action.Step("StartFirmwareUpgrade", [&] { return StartFirmwareUpgrade(), 1; });
}

void OperatorConsole::OnUpdatePicture() {
    ReadDeviceAddress();
    PurgeArpEntry();
    RecordedAction action(*this);
    int updated = 0;
    if (action.Step("UpdatePicture", [&] { return updated = UpdatePicture(); }) && updated != 0)
        action.Step("RebootDevice", [&] { return RebootDevice(), 1; });
}

void OperatorConsole::OnUpdateLanguage() {
    ReadDeviceAddress();
    PurgeArpEntry();
    RecordedAction action(*this);
    int updated = 0;
    if (action.Step("UpdateLanguage", [&] { return updated = UpdateLanguage(); }) && updated != 0 &&
        ui_.AskYesNo(RebootQuestion()))
        action.Step("RebootDevice", [&] { return RebootDevice(), 1; });
}

void OperatorConsole::OnUpdateMac() {
    ReadDeviceAddress();
    PurgeArpEntry();
    RunSingleSetting(*this, "SetMacAddress", [this] { return SetMacAddress(); });
}

void OperatorConsole::OnUpdateVideoStandard() {
    ReadDeviceAddress();
    PurgeArpEntry();
    RunSingleSetting(*this, "SetVideoStandard", [this] { return SetVideoStandard(); });
}

void OperatorConsole::OnUpdateTime() {
    ReadDeviceAddress();
    PurgeArpEntry();
    RunSingleSetting(*this, "SetDeviceTime", [this] { return SetDeviceTime(); });
}

} // namespace tarnwell
