#include "line/unit_ui.h"

#include "app/console_lists.h"
#include "app/operator_console.h"

#include <cstdio>

namespace tarnwell::line {

UnitUi::UnitUi(const UnitPlan& unit, LineObserver& observer, const std::atomic<bool>& stop)
    : unit_(unit), observer_(observer), stop_(stop) {
    std::sscanf(unit.address.c_str(), "%d.%d.%d.%d", &address[0], &address[1], &address[2], &address[3]);
}

void UnitUi::BeginStep(Step step) {
    step_ = step;
    messages_.clear();
    serialAccepted_ = false;
    upgradeCompleted_ = false;
    status_.clear();
    percent_ = 0;
}

std::vector<BilingualText> UnitUi::TakeMessages() { return std::move(messages_); }

void UnitUi::ShowMessage(const std::string& text) { ShowBilingualMessage(BilingualText{text, text}); }

void UnitUi::ShowBilingualMessage(const BilingualText& text) {
    messages_.push_back(text);
    observer_.Message(unit_, step_, text);
}

void UnitUi::ShowCaptionedMessage(const std::string& caption, const std::string& text) {
    // The serial setting's success box: "设置成功" under the caption "Set Success!".
    if (step_ == Step::Serial) serialAccepted_ = true;
    ShowBilingualMessage(BilingualText{text, caption});
}

bool UnitUi::AskYesNo(const std::string&) { return false; }

void UnitUi::PullFields(ConsoleBoundFields& fields) { fields = controls; }

void UnitUi::PushFields(const ConsoleBoundFields& fields) { controls = fields; }

AddressOctets UnitUi::ReadAddressControl() { return address; }

std::string UnitUi::AddressControlText() { return unit_.address; }

void UnitUi::SetAddressControlText(const std::string&) {}

bool UnitUi::IsChecked(int) { return false; }

std::string UnitUi::ControlText(int controlId) { return controlId == IdBiosPathEdit ? controls.biosFilePath : ""; }

void UnitUi::SetControlText(int, const std::string&) {}

void UnitUi::EnableControl(int, bool) {}

int UnitUi::LanguageSelection() { return languageSelection; }

std::string UnitUi::LanguageText() {
    if (languageSelection < 0 || languageSelection >= static_cast<int>(kLanguageNames.size())) return {};
    return kLanguageNames[static_cast<size_t>(languageSelection)];
}

int UnitUi::VideoStandardSelection() { return videoStandardSelection; }

void UnitUi::PassOnStop() {
    if (stop_.load() && console_ != nullptr) console_->stopBeforeNextMember = true;
}

void UnitUi::SetProgress(int position) {
    PassOnStop();
    if (position == percent_) return;
    percent_ = position;
    observer_.Progress(unit_, step_, status_, percent_);
}

void UnitUi::SetStatusLine(const std::string& text) {
    // The upgrade sets the status line before each member: the moment to stop.
    PassOnStop();
    if (step_ == Step::Firmware && text == "Update Bios Complete") upgradeCompleted_ = true;
    status_ = text;
    observer_.Progress(unit_, step_, status_, percent_);
}

std::vector<std::string> UnitUi::ChooseOpenFiles(const OpenFileRequest&) { return {}; }

std::optional<std::string> UnitUi::ChooseFolder(const std::string&) { return std::nullopt; }

void UnitUi::OpenWithDesktop(const std::string&) {}

} // namespace tarnwell::line
