#pragma once
// A console window without a window: controls are plain values, message boxes
// are recorded, questions are answered from a queue.
#include "app/console_ui.h"

#include <deque>
#include <functional>
#include <map>
#include <mutex>

namespace tarnwell::test {

class FakeConsoleUi : public ConsoleUi {
public:
    FakeConsoleUi();

    // What the operator saw, in order.
    std::vector<std::string> Messages() const;
    std::vector<std::string> Questions() const;
    std::vector<int> ProgressPositions() const;
    std::vector<std::string> StatusLines() const;
    void ClearRecords();
    // Called with every message as it is shown (on the showing thread).
    std::function<void(const std::string&)> onMessage;

    // The controls.
    AddressOctets address{0, 0, 0, 0};
    bool addressBlank = true;
    std::map<int, bool> checks;
    std::map<int, std::string> texts;
    std::map<int, bool> enabled;
    int languageSelection = 0;
    std::string languageText = "English";
    int videoStandardSelection = 0;
    ConsoleBoundFields controls; // the bound controls' values
    std::deque<bool> answers;    // Yes/No answers to come; No when empty
    std::deque<std::vector<std::string>> fileChoices;
    std::deque<std::optional<std::string>> folderChoices;
    std::vector<std::string> openedFiles;
    std::vector<std::pair<std::string, std::string>> captionedMessages;

    void SetAddress(const std::string& dotted);

    void ShowMessage(const std::string& text) override;
    void ShowCaptionedMessage(const std::string& caption, const std::string& text) override;
    bool AskYesNo(const std::string& text) override;
    void PullFields(ConsoleBoundFields& fields) override;
    void PushFields(const ConsoleBoundFields& fields) override;
    AddressOctets ReadAddressControl() override;
    std::string AddressControlText() override;
    void SetAddressControlText(const std::string& text) override;
    bool IsChecked(int controlId) override;
    std::string ControlText(int controlId) override;
    void SetControlText(int controlId, const std::string& text) override;
    void EnableControl(int controlId, bool enabled) override;
    int LanguageSelection() override;
    std::string LanguageText() override;
    int VideoStandardSelection() override;
    void SetProgress(int position) override;
    void SetStatusLine(const std::string& text) override;
    std::vector<std::string> ChooseOpenFiles(const OpenFileRequest& request) override;
    std::optional<std::string> ChooseFolder(const std::string& title) override;
    void OpenWithDesktop(const std::string& path) override;

private:
    mutable std::mutex mutex_;
    std::vector<std::string> messages_;
    std::vector<std::string> questions_;
    std::vector<int> progress_;
    std::vector<std::string> statusLines_;
};

} // namespace tarnwell::test
