#pragma once
// The operator console's window (dialog 102). It owns the Qt-free console and
// gives it the window through ConsoleUi; the widgets hold no logic of their own.
#include "app/console_ui.h"
#include "app/gui/dialog_builder.h"
#include "app/operator_console.h"
#include "app/ui_translator.h"

#include <QDialog>
#include <QThread>
#include <QTimer>
#include <functional>

namespace tarnwell {

class SettingsStore;
class DeviceSearchLibrary;

class OperatorConsoleDialog : public QDialog, public ConsoleUi {
    Q_OBJECT
public:
    // Without a search library the Search button does nothing (tests).
    explicit OperatorConsoleDialog(SettingsStore& settings, DeviceSearchLibrary* searchLibrary = nullptr,
                                   QWidget* parent = nullptr);
    ~OperatorConsoleDialog() override;

    OperatorConsole& Console() { return console_; }
    QWidget* Control(int id) const;
    template <typename Widget> Widget* ControlAs(int id) const { return qobject_cast<Widget*>(Control(id)); }

    // ConsoleUi
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


    // The caption of message and question boxes: the program's name.
    static QString ApplicationName();

    // Window chrome. The about entry (command 16) sits in the window's
    // context menu and on F1, standing for the system menu entry.
    void OnSysCommand(int commandId);
    // The notification-area style message 0x467: `second` is a mouse message.
    int OnTrayNotify(quintptr first, quintptr second);
    void OnShowConsole();
    // The "Show" / "About" / "Exit" menu at the cursor; returns the chosen command or 0.
    int ShowPopupMenu();

protected:
    void closeEvent(QCloseEvent* event) override;
    void reject() override;

private:
    void OnInitDialog();
    void WireCommands();
    void OnCommand(int controlId, void (OperatorConsole::*handler)());
    // Runs `work` on the window's thread, waiting for it when called from the worker.
    void OnUiThread(const std::function<void()>& work);
    // Runs `work` on the window's thread without waiting: the worker's progress,
    // status and button updates. Waiting there could deadlock with a window
    // that is itself waiting for the worker to end.
    void PostToUiThread(std::function<void()> work);

    BuiltDialog built_;
    OperatorConsole console_;
    SettingsStore& settings_;
    DeviceSearchLibrary* searchLibrary_ = nullptr;
    QTimer timer_;
    class ConsoleMessageChannel* messages_ = nullptr;
};

} // namespace tarnwell
