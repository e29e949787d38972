// The Set Serial button: the serial number goes to the device's web CGI.
#include "app/operator_console.h"
#include "web/serial_setting.h"

namespace tarnwell {

void OperatorConsole::OnSetSerial() {
    PullFields();
    ReadDeviceAddress();
    if (serialText.empty()) return;
    SerialRefusal refusal = CheckSerialText(serialText, deviceAddressText);
    if (refusal != SerialRefusal::None) {
        ShowBilingualMessage(SerialRefusalMessage(refusal));
        return;
    }
    PurgeArpEntry();

    switch (SendSerial(deviceAddressText, webPortText, serialText, httpLimits)) {
    case SerialOutcome::Refused: // checked above; kept for completeness of the switch
        return;
    case SerialOutcome::ConnectFailed:
        ShowBilingualMessage(SerialConnectFailedMessage());
        return;
    case SerialOutcome::SetFailed:
        ShowBilingualMessage(SerialSetFailedMessage());
        return;
    case SerialOutcome::Succeeded:
        break;
    }
    // Both texts are fixed whatever the interface language.
    ui_.ShowCaptionedMessage("Set Success!", "设置成功");
    if (ui_.AskYesNo("Whether to Reboot?")) RebootDevice();
}

} // namespace tarnwell
