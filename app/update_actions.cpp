// The operator's update commands: Update All and the single-item buttons.
// Every action reads the address on screen, clears its ARP entry, then runs.
#include "app/operator_console.h"

namespace tarnwell {

namespace {

std::string RebootQuestion() { return UiLanguage.load() == 1 ? "是否重启?" : "Whether to Reboot?"; }

} // namespace

void OperatorConsole::UpdateAll() {
    PullFields();
    ReadDeviceAddress();
    PurgeArpEntry();
    // The check boxes are read at this moment, from the controls; a failed
    // item reports itself and the next one still runs.
    bool ran = false;
    auto runIfChecked = [&](int checkBox, auto&& item) {
        if (!ui_.IsChecked(checkBox)) return;
        item();
        ran = true;
    };
    runIfChecked(IdCheckPicture, [&] { UpdatePicture(); });
    runIfChecked(IdCheckLanguage, [&] { UpdateLanguage(); });
    runIfChecked(IdCheckMac, [&] { SetMacAddress(); });
    runIfChecked(IdCheckVideoStandard, [&] { SetVideoStandard(); });
    runIfChecked(IdCheckTime, [&] { SetDeviceTime(); });
    // Last: the upgrade goes on in its worker after this returns.
    runIfChecked(IdCheckFirmware, [&] { StartFirmwareUpgrade(); });
    if (ran) ShowBilingualMessage("升成完成", "Update Complete");
    if (ui_.IsChecked(IdCheckLanguage) && !ui_.IsChecked(IdCheckFirmware) && ui_.AskYesNo(RebootQuestion()))
        RebootDevice();
}

void OperatorConsole::OnUpdateBios() {
    ReadDeviceAddress();
    PurgeArpEntry();
    // The worker reports its progress and its end itself.
    StartFirmwareUpgrade();
}

void OperatorConsole::OnUpdatePicture() {
    ReadDeviceAddress();
    PurgeArpEntry();
    if (UpdatePicture() != 0) RebootDevice();
}

void OperatorConsole::OnUpdateLanguage() {
    ReadDeviceAddress();
    PurgeArpEntry();
    if (UpdateLanguage() != 0 && ui_.AskYesNo(RebootQuestion())) RebootDevice();
}

void OperatorConsole::OnUpdateMac() {
    ReadDeviceAddress();
    PurgeArpEntry();
    if (SetMacAddress() != 0) ShowBilingualMessage("更新成功", "Update Success");
}

void OperatorConsole::OnUpdateVideoStandard() {
    ReadDeviceAddress();
    PurgeArpEntry();
    if (SetVideoStandard() != 0) ShowBilingualMessage("更新成功", "Update Success");
}

void OperatorConsole::OnUpdateTime() {
    ReadDeviceAddress();
    PurgeArpEntry();
    if (SetDeviceTime() != 0) ShowBilingualMessage("更新成功", "Update Success");
}

} // namespace tarnwell
