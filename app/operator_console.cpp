#include "app/operator_console.h"

#include "platform/settings_store.h"
#include "platform/work_folder.h"

#include <cstdio>

namespace tarnwell {

namespace {

// A connection string may be longer than the other values' buffer.
constexpr size_t kJournalSettingBuffer = 4096;

void ReadJournalSettings(SettingsStore& settings, ConsoleJournal& journal) {
    auto read = [&](const char* name, std::string& field) {
        if (auto value = settings.ReadString(name, kJournalSettingBuffer)) field = *value;
    };
    read(kSettingJournal, journal.location);
    read(kSettingStation, journal.station);
    read(kSettingMacPoolFirst, journal.poolFirst);
    read(kSettingMacPoolLast, journal.poolLast);
}

} // namespace

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
    settings_ = &settings;
    if (settings.Open()) {
        if (auto address = settings.ReadString(kSettingUpgradeIp, kSettingReadBuffer)) deviceAddressText = *address;
        if (auto mac = settings.ReadString(kSettingUpgradeMac, kSettingReadBuffer)) macText = *mac;
        ReadJournalSettings(settings, journal);
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
    BilingualText text{chinese, english};
    StepRecorder::NoteMessage(text);
    ui_.ShowBilingualMessage(text);
}

} // namespace tarnwell
