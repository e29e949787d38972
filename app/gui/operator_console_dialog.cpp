#include "app/gui/localisable_built_dialog.h"
#include "app/gui/operator_console_dialog.h"

#include "app/console_lists.h"
#include "app/gui/about_dialog.h"
#include "app/gui/console_message_channel.h"
#include "app/gui/console_icon.h"
#include "app/gui/ipv4_address_edit.h"
#include "app/gui/prompts.h"
#include "platform/settings_store.h"
#include "app/gui/console_device_search.h"

#include <QCheckBox>
#include <QCloseEvent>
#include <QComboBox>
#include <QCursor>
#include <QCoreApplication>
#include <QDateEdit>
#include <QDesktopServices>
#include <QFileInfo>
#include <QGuiApplication>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QShortcut>
#include <QProgressBar>
#include <QPushButton>
#include <QScreen>
#include <QTimeEdit>
#include <QUrl>

namespace tarnwell {

namespace {

constexpr int kAboutCommand = 16;
constexpr unsigned kTrayMessage = 0x467;
constexpr int kShowCommand = 1124;
constexpr int kAboutMenuCommand = 1125;
constexpr int kExitCommand = 1126;
constexpr quintptr kLeftButtonDown = 0x201;
constexpr quintptr kLeftButtonDoubleClick = 0x203;
constexpr quintptr kRightButtonDown = 0x204;

QString Q(const std::string& text) { return QString::fromStdString(text); }
std::string S(const QString& text) { return text.toStdString(); }

// "Description|patterns|...||" into Qt's "Description(patterns);;...". A
// description that already ends in its patterns gets them once, cleaned; "*.*"
// is "*", so files without an extension are listed too.
QString QtFilter(const std::string& filter) {
    QStringList parts = Q(filter).split('|', Qt::SkipEmptyParts);
    QStringList entries;
    for (int i = 0; i + 1 < parts.size(); i += 2) {
        QStringList patterns;
        for (const QString& pattern : parts[i + 1].split(';', Qt::SkipEmptyParts))
            patterns << (pattern.trimmed() == "*.*" ? QString("*") : pattern.trimmed());
        QString description = parts[i];
        const qsizetype open = description.lastIndexOf('(');
        if (open > 0 && description.endsWith(')')) description = description.left(open);
        else description += ' ';
        entries << QString("%1(%2)").arg(description, patterns.join(' '));
    }
    return entries.join(";;");
}

LocalDateTime FromQt(const QDate& date, const QTime& time) {
    return {date.year(), date.month(), date.day(), time.hour(), time.minute(), time.second(), date.isValid()};
}

} // namespace

OperatorConsoleDialog::OperatorConsoleDialog(SettingsStore& settings, DeviceSearchLibrary* searchLibrary,
                                             QWidget* parent)
    : QDialog(parent), console_(*this), settings_(settings), searchLibrary_(searchLibrary) {
    setWindowIcon(ConsoleIcon());
    built_ = BuildDialog(*this, BuiltInDialogTemplate(102));
    OnInitDialog();
}

OperatorConsoleDialog::~OperatorConsoleDialog() {
    // The worker may still be in its last pause; it must be gone while this
    // window can still take its updates.
    console_.WaitForFirmwareWorker();
}

QString OperatorConsoleDialog::ApplicationName() {
    QString name = QCoreApplication::applicationName();
    return name.isEmpty() ? QString("tarnwell") : name;
}

QWidget* OperatorConsoleDialog::Control(int id) const {
    auto found = built_.controls.find(id);
    return found == built_.controls.end() ? nullptr : found->second;
}

void OperatorConsoleDialog::OnInitDialog() {
    if (UiLanguage.load() == 1) {
        LocalisableBuiltDialog texts(*this, built_);
        UiTranslator::Instance().LocaliseDialogTexts(texts);
    }
    setWindowTitle(windowTitle() + " Version " + Q(OperatorConsole::GetFileVersionText()));
    setWindowFlag(Qt::WindowMinimizeButtonHint, true);
    if (QScreen* screen = QGuiApplication::primaryScreen()) {
        QRect area = screen->availableGeometry();
        move(area.center() - rect().center());
    }
    auto* video = ControlAs<QComboBox>(IdVideoStandardCombo);
    for (size_t i = 0; i < kVideoStandardNames.size(); ++i) video->insertItem(static_cast<int>(i), kVideoStandardNames[i]);
    video->setCurrentIndex(0);
    auto* languages = ControlAs<QComboBox>(IdLanguageCombo);
    for (size_t i = 0; i < kLanguageNames.size(); ++i) languages->insertItem(static_cast<int>(i), kLanguageNames[i]);
    languages->setCurrentIndex(0);
    console_.Initialise(settings_);
    console_.journal.Enable();
    connect(&timer_, &QTimer::timeout, this, [this] { console_.OnTimer(); });
    timer_.start(1000);
    WireCommands();

    // The system menu's about entry: in the window's context menu and on F1.
    QString aboutLabel = Q(UiTranslator::Instance().LoadText(101));
    if (!aboutLabel.isEmpty()) {
        auto* about = new QAction(aboutLabel, this);
        connect(about, &QAction::triggered, this, [this] { OnSysCommand(kAboutCommand); });
        auto* separator = new QAction(this);
        separator->setSeparator(true);
        addAction(separator);
        addAction(about);
        setContextMenuPolicy(Qt::ActionsContextMenu);
        new QShortcut(QKeySequence(Qt::Key_F1), this, [this] { OnSysCommand(kAboutCommand); });
    }
    messages_ = new ConsoleMessageChannel(
        [this](unsigned message, quintptr first, quintptr second) {
            if (message == kTrayMessage) OnTrayNotify(first, second);
        },
        this);
}

void OperatorConsoleDialog::OnSysCommand(int commandId) {
    if ((commandId & ~0xF) != kAboutCommand) return;
    AboutDialog about(this);
    about.exec();
}

int OperatorConsoleDialog::OnTrayNotify(quintptr, quintptr second) {
    if (second == kLeftButtonDown || second == kLeftButtonDoubleClick) OnShowConsole();
    else if (second == kRightButtonDown) ShowPopupMenu();
    return 0;
}

void OperatorConsoleDialog::OnShowConsole() {
    show();
    showNormal();
    raise();
    activateWindow();
}

int OperatorConsoleDialog::ShowPopupMenu() {
    QMenu menu(this);
    QAction* showEntry = menu.addAction("Show");
    QAction* aboutEntry = menu.addAction("About");
    menu.addSeparator();
    QAction* exitEntry = menu.addAction("Exit");
    activateWindow();
    QAction* chosen = menu.exec(QCursor::pos());
    if (chosen == showEntry) {
        OnShowConsole();
        return kShowCommand;
    }
    if (chosen == aboutEntry) {
        OnSysCommand(kAboutCommand);
        return kAboutMenuCommand;
    }
    // "Exit" carries no action: the console keeps running.
    return chosen == exitEntry ? kExitCommand : 0;
}

void OperatorConsoleDialog::OnCommand(int controlId, void (OperatorConsole::*handler)()) {
    auto* button = ControlAs<QPushButton>(controlId);
    if (button != nullptr) connect(button, &QPushButton::clicked, this, [this, handler] { (console_.*handler)(); });
}

void OperatorConsoleDialog::WireCommands() {
    OnCommand(IdUpdateAll, &OperatorConsole::UpdateAll);
    OnCommand(IdUpdateLanguage, &OperatorConsole::OnUpdateLanguage);
    OnCommand(IdUpdateMac, &OperatorConsole::OnUpdateMac);
    OnCommand(IdUpdateVideoStandard, &OperatorConsole::OnUpdateVideoStandard);
    OnCommand(IdUpdateTime, &OperatorConsole::OnUpdateTime);
    OnCommand(IdIncrementMac, &OperatorConsole::OnIncrementMac);
    OnCommand(IdTestLink, &OperatorConsole::TestLink);
    OnCommand(IdBrowseCaptureFolder, &OperatorConsole::OnBrowseCaptureFolder);
    OnCommand(IdCapture, &OperatorConsole::OnCapture);
    OnCommand(IdSetSerial, &OperatorConsole::OnSetSerial);
    OnCommand(IdBrowseFirmware, &OperatorConsole::OnBrowseFirmware);
    OnCommand(IdBrowsePicture, &OperatorConsole::OnBrowsePicture);
    OnCommand(IdUpdateBios, &OperatorConsole::OnUpdateBios);
    OnCommand(IdUpdatePicture, &OperatorConsole::OnUpdatePicture);
    if (auto* search = ControlAs<QPushButton>(IdSearch)) {
        connect(search, &QPushButton::clicked, this, [this] {
            if (searchLibrary_ != nullptr) SearchFromConsole(*this, *searchLibrary_);
        });
    }
}

void OperatorConsoleDialog::closeEvent(QCloseEvent* event) {
    event->ignore();
    if (console_.OnClose(settings_)) {
        timer_.stop();
        done(QDialog::Rejected);
    }
}

void OperatorConsoleDialog::reject() {
    // Escape: ends without saving, but never under a running upgrade.
    if (console_.OnCancel()) {
        timer_.stop();
        QDialog::reject();
    }
}

void OperatorConsoleDialog::OnUiThread(const std::function<void()>& work) {
    if (QThread::currentThread() == thread()) {
        work();
        return;
    }
    QMetaObject::invokeMethod(this, work, Qt::BlockingQueuedConnection);
}

void OperatorConsoleDialog::PostToUiThread(std::function<void()> work) {
    if (QThread::currentThread() == thread()) {
        work();
        return;
    }
    QMetaObject::invokeMethod(this, std::move(work), Qt::QueuedConnection);
}

void OperatorConsoleDialog::ShowMessage(const std::string& text) {
    OnUiThread([&] { Prompts::Current().Message(this, ApplicationName(), Q(text)); });
}

void OperatorConsoleDialog::ShowCaptionedMessage(const std::string& caption, const std::string& text) {
    OnUiThread([&] { Prompts::Current().Message(this, Q(caption), Q(text)); });
}

bool OperatorConsoleDialog::AskYesNo(const std::string& text) {
    bool yes = false;
    OnUiThread([&] { yes = Prompts::Current().Question(this, ApplicationName(), Q(text)); });
    return yes;
}

void OperatorConsoleDialog::PullFields(ConsoleBoundFields& fields) {
    OnUiThread([&] {
        fields.macText = S(ControlAs<QLineEdit>(IdMacEdit)->text());
        fields.autoIncrementMac = ControlAs<QCheckBox>(IdAutoAdd)->isChecked() ? 1 : 0;
        auto* date = ControlAs<QDateEdit>(IdDatePicker);
        auto* time = ControlAs<QTimeEdit>(IdTimePicker);
        fields.deviceDate = FromQt(date->date(), date->time());
        fields.deviceTime = FromQt(time->date(), time->time());
        fields.biosFilePath = S(ControlAs<QLineEdit>(IdBiosPathEdit)->text());
        fields.captureFolderText = S(ControlAs<QLineEdit>(IdCaptureFolderEdit)->text());
        fields.serialText = S(ControlAs<QLineEdit>(IdSerialEdit)->text());
        fields.webPortText = S(ControlAs<QLineEdit>(IdWebPortEdit)->text());
    });
}

void OperatorConsoleDialog::PushFields(const ConsoleBoundFields& fields) {
    OnUiThread([&] {
        // Unchanged texts are left alone, so the cursor of a field being typed in stays put.
        auto put = [this](int id, const std::string& text) {
            auto* edit = ControlAs<QLineEdit>(id);
            if (edit->text() != Q(text)) edit->setText(Q(text));
        };
        put(IdMacEdit, fields.macText);
        ControlAs<QCheckBox>(IdAutoAdd)->setChecked(fields.autoIncrementMac != 0);
        const LocalDateTime& d = fields.deviceDate;
        const LocalDateTime& t = fields.deviceTime;
        ControlAs<QDateEdit>(IdDatePicker)->setDate(QDate(d.year, d.month, d.day));
        ControlAs<QTimeEdit>(IdTimePicker)->setTime(QTime(t.hour, t.minute, t.second));
        put(IdBiosPathEdit, fields.biosFilePath);
        put(IdCaptureFolderEdit, fields.captureFolderText);
        put(IdSerialEdit, fields.serialText);
        put(IdWebPortEdit, fields.webPortText);
    });
}

AddressOctets OperatorConsoleDialog::ReadAddressControl() {
    AddressOctets octets{};
    OnUiThread([&] { octets = ControlAs<Ipv4AddressEdit>(IdAddress)->Octets(); });
    return octets;
}

std::string OperatorConsoleDialog::AddressControlText() {
    std::string text;
    OnUiThread([&] { text = S(ControlAs<Ipv4AddressEdit>(IdAddress)->Text()); });
    return text;
}

void OperatorConsoleDialog::SetAddressControlText(const std::string& text) {
    OnUiThread([&] { ControlAs<Ipv4AddressEdit>(IdAddress)->SetText(Q(text)); });
}

bool OperatorConsoleDialog::IsChecked(int controlId) {
    bool checked = false;
    OnUiThread([&] {
        auto* box = ControlAs<QCheckBox>(controlId);
        checked = box != nullptr && box->isChecked();
    });
    return checked;
}

std::string OperatorConsoleDialog::ControlText(int controlId) {
    std::string text;
    OnUiThread([&] {
        QWidget* control = Control(controlId);
        if (auto* edit = qobject_cast<QLineEdit*>(control)) text = S(edit->text());
        else if (auto* button = qobject_cast<QAbstractButton*>(control)) text = S(button->text());
        else if (auto* label = qobject_cast<QLabel*>(control)) text = S(label->text());
        else if (auto* combo = qobject_cast<QComboBox*>(control)) text = S(combo->currentText());
        else if (auto* address = qobject_cast<Ipv4AddressEdit*>(control)) text = S(address->Text());
    });
    return text;
}

void OperatorConsoleDialog::SetControlText(int controlId, const std::string& text) {
    OnUiThread([&] {
        QWidget* control = Control(controlId);
        if (auto* edit = qobject_cast<QLineEdit*>(control)) edit->setText(Q(text));
        else if (auto* button = qobject_cast<QAbstractButton*>(control)) button->setText(Q(text));
        else if (auto* label = qobject_cast<QLabel*>(control)) label->setText(Q(text));
        else if (auto* address = qobject_cast<Ipv4AddressEdit*>(control)) address->SetText(Q(text));
    });
}

void OperatorConsoleDialog::EnableControl(int controlId, bool enabled) {
    PostToUiThread([this, controlId, enabled] {
        if (QWidget* control = Control(controlId)) control->setEnabled(enabled);
    });
}

int OperatorConsoleDialog::LanguageSelection() {
    int index = -1;
    OnUiThread([&] { index = ControlAs<QComboBox>(IdLanguageCombo)->currentIndex(); });
    return index;
}

std::string OperatorConsoleDialog::LanguageText() {
    std::string text;
    OnUiThread([&] { text = S(ControlAs<QComboBox>(IdLanguageCombo)->currentText()); });
    return text;
}

int OperatorConsoleDialog::VideoStandardSelection() {
    int index = -1;
    OnUiThread([&] { index = ControlAs<QComboBox>(IdVideoStandardCombo)->currentIndex(); });
    return index;
}

void OperatorConsoleDialog::SetProgress(int position) {
    PostToUiThread([this, position] { ControlAs<QProgressBar>(IdProgressBar)->setValue(position); });
}

void OperatorConsoleDialog::SetStatusLine(const std::string& text) {
    PostToUiThread([this, text] { ControlAs<QLabel>(IdStatusLine)->setText(Q(text)); });
}

std::vector<std::string> OperatorConsoleDialog::ChooseOpenFiles(const OpenFileRequest& request) {
    std::vector<std::string> files;
    OnUiThread([&] {
        for (const QString& file : Prompts::Current().OpenFiles(this, QtFilter(request.filter), request.multiple))
            files.push_back(S(file));
    });
    return files;
}

std::optional<std::string> OperatorConsoleDialog::ChooseFolder(const std::string& title) {
    QString folder;
    OnUiThread([&] { folder = Prompts::Current().Folder(this, Q(title)); });
    if (folder.isEmpty()) return std::nullopt;
    return S(folder);
}

void OperatorConsoleDialog::OpenWithDesktop(const std::string& path) {
    OnUiThread([&] { QDesktopServices::openUrl(QUrl::fromLocalFile(QFileInfo(Q(path)).absoluteFilePath())); });
}

} // namespace tarnwell
