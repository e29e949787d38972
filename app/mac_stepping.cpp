// Stepping the console's MAC text by one for the next unit on the line.
#include "text/mac_text.h"
#include "app/operator_console.h"
#include "platform/settings_store.h"

namespace tarnwell {

int OperatorConsole::IncrementMacText() {
    std::string stepped;
    if (!StepMacText(macText, stepped)) return 0;
    macText = stepped;
    PushFields();
    return 1;
}

void OperatorConsole::OnIncrementMac() {
    PullFields();
    switch (ValidateMacText(macText)) {
    case kMacTextEmpty:
        ShowBilingualMessage("MAC地址为空!", "Mac Address is Empty!");
        return;
    case kMacTextMalformed:
        ShowBilingualMessage("MAC地址格式错误!", "Mac Address format is wrong!");
        return;
    default:
        break;
    }
    if (IncrementMacText() == 0) ShowBilingualMessage("MAC地址自动增1失败!", "MAC Auto-incremented failed!");
}

void OperatorConsole::SaveMacSetting() {
    if (settings_ == nullptr || !settings_->Open()) return;
    settings_->WriteString(kSettingUpgradeMac, macText);
    settings_->Close();
}

} // namespace tarnwell
