#include "app/operator_console.h"

#include "app/settings_store.h"
#include "platform/work_folder.h"

#include <cstdio>

namespace tarnwell {

OperatorConsole::OperatorConsole(ConsoleUi& ui) : ui_(ui) {
    deviceDate = LocalDateTime::Now();
    deviceTime = deviceDate;
    httpLimits.sentCounter = &bytesSent;
}

std::string OperatorConsole::WorkFile(const std::string& name) const { return WorkFilePath(workFolder, name); }

OperatorConsole::~OperatorConsole() {
    // Close and Escape are refused while the worker runs; this only guards
    // against the window being torn down some other way.
    WaitForFirmwareWorker();
}

void OperatorConsole::WaitForFirmwareWorker() {
    upgradeTail.Cut();
    if (firmwareWorker.joinable()) firmwareWorker.join();
}

void OperatorConsole::Initialise(SettingsStore& settings) {
    autoIncrementMac = 1;
    if (settings.Open()) {
        if (auto address = settings.ReadString(kSettingUpgradeIp, kSettingReadBuffer)) deviceAddressText = *address;
        if (auto mac = settings.ReadString(kSettingUpgradeMac, kSettingReadBuffer)) macText = *mac;
        settings.Close();
    }
    ui_.SetAddressControlText(deviceAddressText);
    webPortText = "80";
    deviceDate = LocalDateTime::Now();
    deviceTime = deviceDate;
    PushFields();
}

void OperatorConsole::PullFields() { ui_.PullFields(*this); }

void OperatorConsole::PushFields() { ui_.PushFields(*this); }

void OperatorConsole::OnTimer() {
    PullFields();
    deviceDate = LocalDateTime::Now();
    deviceTime = deviceDate;
    PushFields();
}

bool OperatorConsole::OnClose(SettingsStore& settings) {
    PullFields();
    if (busyWorker.load()) {
        ShowBilingualMessage("正在更新,请稍候!", "Updating, please wait!");
        return false;
    }
    deviceAddressText = ui_.AddressControlText();
    if (settings.Open()) {
        settings.WriteString(kSettingUpgradeIp, deviceAddressText);
        settings.WriteNumber(kSettingUpgradePort, static_cast<uint32_t>(commandPort));
        settings.WriteString(kSettingUpgradeMac, macText);
        settings.Close();
    }
    return true;
}

bool OperatorConsole::OnCancel() {
    if (!busyWorker.load()) return true;
    ShowBilingualMessage("正在更新,请稍候!", "Updating, please wait!");
    return false;
}

void OperatorConsole::ReadDeviceAddress() {
    AddressOctets octets = ui_.ReadAddressControl();
    char text[32];
    std::snprintf(text, sizeof text, "%d.%d.%d.%d", octets[0], octets[1], octets[2], octets[3]);
    deviceAddressText = text;
}

void OperatorConsole::ShowBilingualMessage(const std::string& chinese, const std::string& english) {
    ui_.ShowBilingualMessage(BilingualText{chinese, english});
}

} // namespace tarnwell
