// The Set Serial button: the serial number goes to the device's web CGI.
#include "app/operator_console.h"
#include "web/serial_setting.h"

namespace tarnwell {

int OperatorConsole::SetSerial() {
    SerialRefusal refusal = CheckSerialText(serialText, deviceAddressText);
    if (refusal != SerialRefusal::None) {
        ShowBilingualMessage(SerialRefusalMessage(refusal));
        return 0;
    }
    switch (SendSerial(deviceAddressText, webPortText, serialText, httpLimits)) {
    case SerialOutcome::Refused: // checked above; kept for completeness of the switch
        return 0;
    case SerialOutcome::ConnectFailed:
        ShowBilingualMessage(SerialConnectFailedMessage());
        return 0;
    case SerialOutcome::SetFailed:
        ShowBilingualMessage(SerialSetFailedMessage());
        return 0;
    case SerialOutcome::Succeeded:
        break;
    }
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

} // namespace tarnwell
