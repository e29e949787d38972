// The console's serial setting and snapshot capture.
#include "app/operator_console.h"
#include "app/ui_translator.h"
#include "device/web_operations.h"
#include "web/serial_setting.h"
#include "web/snapshot_capture.h"

namespace tarnwell {

int OperatorConsole::SetSerial() {
    if (!Noted(tarnwell::SetSerial(Session(deviceAddressText), serialText)).Ok()) return 0;
    // Both texts are fixed whatever the interface language.
    StepRecorder::NoteMessage({"设置成功", "Set Success!"});
    ui_.ShowCaptionedMessage("Set Success!", "设置成功");
    return 1;
}

void OperatorConsole::OnSetSerial() {
    PullFields();
    ReadDeviceAddress();
    if (serialText.empty()) return;
    // A refused serial never reaches the device: nothing to purge or record.
    if (CheckSerialText(serialText, deviceAddressText) != SerialRefusal::None) {
        SetSerial();
        return;
    }
    PurgeArpEntry();
    RecordedAction action(*this);
    int set = 0;
    if (action.Step("SetSerial", [&] { return set = SetSerial(); }) && set != 0 && ui_.AskYesNo("Whether to Reboot?"))
        action.Step("RebootDevice", [&] { return RebootDevice(), 1; });
}

void OperatorConsole::OnCapture() {
    PullFields();
    ReadDeviceAddress();
    const std::string fileName = CaptureFileName(captureFolderText, deviceAddressText, LocalDateTime::Now());
    PurgeArpEntry();
    // A length left from an earlier capture must not be waited for again.
    replyStatus = 0;
    m_nCaptureLen = 0;
    const Outcome outcome = CaptureSnapshot(Session(deviceAddressText), fileName);
    if (outcome.details.deviceAccepted) replyStatus = *outcome.details.deviceAccepted ? 1 : 2;
    m_nCaptureLen = outcome.details.announcedLength.value_or(0);
    // A short picture is still shown: the operator judges what arrived.
    if (!outcome.details.file.empty()) ui_.OpenWithDesktop(outcome.details.file);
}

void OperatorConsole::OnBrowseCaptureFolder() {
    const UiTranslator& translator = UiTranslator::Instance();
    std::optional<std::string> folder = ui_.ChooseFolder(translator.TranslateText("Please Select a folder to save the file"));
    if (!folder || folder->empty()) return;
    if (IsRootFolder(*folder)) {
        ui_.ShowMessage(translator.TranslateText("You must select a folder."));
        return;
    }
    captureFolderText = *folder;
    PushFields();
}

} // namespace tarnwell
