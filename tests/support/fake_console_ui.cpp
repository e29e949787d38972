#include "support/fake_console_ui.h"

#include <cstdio>

namespace tarnwell::test {

FakeConsoleUi::FakeConsoleUi() { controls.webPortText = ""; }

std::vector<std::string> FakeConsoleUi::Messages() const {
    std::lock_guard lock(mutex_);
    return messages_;
}

std::vector<std::string> FakeConsoleUi::Questions() const {
    std::lock_guard lock(mutex_);
    return questions_;
}

std::vector<int> FakeConsoleUi::ProgressPositions() const {
    std::lock_guard lock(mutex_);
    return progress_;
}

std::vector<std::string> FakeConsoleUi::StatusLines() const {
    std::lock_guard lock(mutex_);
    return statusLines_;
}

void FakeConsoleUi::ClearRecords() {
    std::lock_guard lock(mutex_);
    messages_.clear();
    questions_.clear();
    progress_.clear();
    statusLines_.clear();
}

void FakeConsoleUi::SetAddress(const std::string& dotted) {
    int parts[4] = {0, 0, 0, 0};
    addressBlank = dotted.empty();
    if (!addressBlank) std::sscanf(dotted.c_str(), "%d.%d.%d.%d", &parts[0], &parts[1], &parts[2], &parts[3]);
    address = {parts[0], parts[1], parts[2], parts[3]};
}

void FakeConsoleUi::ShowMessage(const std::string& text) {
    {
        std::lock_guard lock(mutex_);
        messages_.push_back(text);
    }
    if (onMessage) onMessage(text);
}

void FakeConsoleUi::ShowCaptionedMessage(const std::string& caption, const std::string& text) {
    std::lock_guard lock(mutex_);
    captionedMessages.emplace_back(caption, text);
}

bool FakeConsoleUi::AskYesNo(const std::string& text) {
    std::lock_guard lock(mutex_);
    questions_.push_back(text);
    if (answers.empty()) return false;
    bool answer = answers.front();
    answers.pop_front();
    return answer;
}

void FakeConsoleUi::PullFields(ConsoleBoundFields& fields) { fields = controls; }

void FakeConsoleUi::PushFields(const ConsoleBoundFields& fields) { controls = fields; }

AddressOctets FakeConsoleUi::ReadAddressControl() { return addressBlank ? AddressOctets{0, 0, 0, 0} : address; }

std::string FakeConsoleUi::AddressControlText() {
    if (addressBlank) return {};
    char text[32];
    std::snprintf(text, sizeof text, "%d.%d.%d.%d", address[0], address[1], address[2], address[3]);
    return text;
}

void FakeConsoleUi::SetAddressControlText(const std::string& text) { SetAddress(text); }

bool FakeConsoleUi::IsChecked(int controlId) { return checks[controlId]; }

std::string FakeConsoleUi::ControlText(int controlId) { return texts[controlId]; }

void FakeConsoleUi::SetControlText(int controlId, const std::string& text) { texts[controlId] = text; }

void FakeConsoleUi::EnableControl(int controlId, bool on) {
    std::lock_guard lock(mutex_);
    enabled[controlId] = on;
}

int FakeConsoleUi::LanguageSelection() { return languageSelection; }

std::string FakeConsoleUi::LanguageText() { return languageText; }

int FakeConsoleUi::VideoStandardSelection() { return videoStandardSelection; }

void FakeConsoleUi::SetProgress(int position) {
    std::lock_guard lock(mutex_);
    progress_.push_back(position);
}

void FakeConsoleUi::SetStatusLine(const std::string& text) {
    std::lock_guard lock(mutex_);
    statusLines_.push_back(text);
}

std::vector<std::string> FakeConsoleUi::ChooseOpenFiles(const OpenFileRequest&) {
    if (fileChoices.empty()) return {};
    auto choice = fileChoices.front();
    fileChoices.pop_front();
    return choice;
}

std::optional<std::string> FakeConsoleUi::ChooseFolder(const std::string&) {
    if (folderChoices.empty()) return std::nullopt;
    auto choice = folderChoices.front();
    folderChoices.pop_front();
    return choice;
}

void FakeConsoleUi::OpenWithDesktop(const std::string& path) { openedFiles.push_back(path); }

} // namespace tarnwell::test
