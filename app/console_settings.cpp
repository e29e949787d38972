// The console's setting commands, the reboot, the link test and the ARP
// purge: each runs the device operation on a session for the address on
// screen and reports 1 or 0 as the console's operations always have.
#include "app/operator_console.h"
#include "device/journal_mac_ledger.h"
#include "device/setting_operations.h"
#include "device/arp_purge.h"

namespace tarnwell {

void OperatorConsole::RebootDevice() { RebootDevice(deviceAddressText); }

void OperatorConsole::RebootDevice(const std::string& address) { RebootDevice(address, channelLimits.reply); }

void OperatorConsole::RebootDevice(const std::string& address, Milliseconds deviceWait) {
    languageMatched = 0;
    Noted(tarnwell::RebootDevice(Session(address), deviceWait));
}

int OperatorConsole::UpdateLanguage() {
    languageMatched = 0;
    const Outcome outcome = Noted(tarnwell::UpdateLanguage(Session(deviceAddressText), ui_.LanguageText(),
                                                            ui_.LanguageSelection()));
    languageMatched = outcome.details.languageFound ? 1 : 0;
    // An answer other than the language list sets nothing, but the console
    // has always counted it done; the journal keeps "failed".
    return outcome.Delivered() || outcome.failure == FailureKind::NotApplied ? 1 : 0;
}

int OperatorConsole::SetLanguage() {
    return Noted(tarnwell::SetLanguage(Session(deviceAddressText), ui_.LanguageSelection())).Delivered() ? 1 : 0;
}

int OperatorConsole::SetVideoStandard() {
    return Noted(tarnwell::SetVideoStandard(Session(deviceAddressText), ui_.VideoStandardSelection())).Delivered() ? 1
                                                                                                                 : 0;
}

int OperatorConsole::SetDeviceTime() {
    return Noted(tarnwell::SetDeviceTime(Session(deviceAddressText), deviceDate, deviceTime)).Delivered() ? 1 : 0;
}

int OperatorConsole::SetMacAddress() {
    // The unit of the action on this thread, begun when the reservation needs it.
    JournalMacLedger ledger([this] { return RecordedAction::CurrentUnit(*this); }, [this] { return journal.Pool(); },
                            [] { RecordedAction::StopCurrent(); });
    UnitSession session = Session(deviceAddressText);
    session.macLedger = &ledger;
    if (!Noted(tarnwell::SetMacAddress(session, macText)).Delivered()) return 0;
    // Stepped and saved at once: after a crash the next start carries on
    // from the next address instead of the one saved at the last close.
    if (autoIncrementMac != 0) OnIncrementMac();
    SaveMacSetting();
    return 1;
}

void OperatorConsole::TestLink() {
    if (Noted(tarnwell::TestLink(Session(deviceAddressText))).Ok()) ui_.ShowMessage("连接成功");
}

void OperatorConsole::PurgeArpEntry() { tarnwell::PurgeArpEntry(Session(deviceAddressText)); }

} // namespace tarnwell
