#pragma once
// The console's window for one unit of a line job, without a window: the
// controls hold the job's choices, every message box becomes an event of the
// unit's current step, questions are answered No (the runner does the one
// reboot --reboot asks for itself), and the progress bar and status line feed
// the unit's progress line.
#include "app/console_ui.h"
#include "line/line_observer.h"

#include <atomic>

namespace tarnwell {
class OperatorConsole;
}

namespace tarnwell::line {

class UnitUi : public ConsoleUi {
public:
    UnitUi(const UnitPlan& unit, LineObserver& observer, const std::atomic<bool>& stop);

    // Starts recording for `step`; the messages so far are dropped.
    void BeginStep(Step step);
    std::vector<BilingualText> TakeMessages();
    bool HasMessages() const { return !messages_.empty(); }
    // The serial setting reported success (its captioned box).
    bool SerialAccepted() const { return serialAccepted_; }
    // The upgrade reached its successful end ("Update Bios Complete").
    bool UpgradeCompleted() const { return upgradeCompleted_; }
    // The console whose upgrade is told to stop between members once the job stops.
    void Attach(OperatorConsole& console) { console_ = &console; }

    ConsoleBoundFields controls;
    AddressOctets address{0, 0, 0, 0};
    int languageSelection = -1;
    int videoStandardSelection = -1;

    void ShowMessage(const std::string& text) override;
    void ShowBilingualMessage(const BilingualText& text) override;
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
    void PassOnStop();

    const UnitPlan& unit_;
    LineObserver& observer_;
    const std::atomic<bool>& stop_;
    OperatorConsole* console_ = nullptr;
    Step step_ = Step::Language;
    std::vector<BilingualText> messages_;
    bool serialAccepted_ = false;
    bool upgradeCompleted_ = false;
    std::string status_;
    int percent_ = 0;
};

} // namespace tarnwell::line
