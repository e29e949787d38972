#include "app/gui/console_app.h"
#include "app/gui/ipv4_address_edit.h"
#include "app/gui/operator_console_dialog.h"
#include "app/gui/qsettings_store.h"
#include "support/loopback_device.h"
#include "support/recording_prompts.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDateEdit>
#include <QLabel>
#include <QLineEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QSettings>
#include <QTest>
#include <QTimeEdit>
#include <gtest/gtest.h>
#include <thread>

using namespace tarnwell;
using namespace tarnwell::test;

namespace {

class ConsoleDialogTest : public ::testing::Test {
protected:
    void SetUp() override {
        QSettings(QSettings::NativeFormat, QSettings::UserScope, "Orvel Software", "Velmora").clear();
        prompts().Clear();
        UiTranslator::Instance().SetResourcesInChinese(true);
    }
    void TearDown() override {
        UiLanguage = 1;
        UiTranslator::Instance().SetResourcesInChinese(false);
    }
    RecordingPrompts& prompts() { return RecordingPrompts::Current(); }
    QString TextOf(OperatorConsoleDialog& dialog, int id) {
        QWidget* control = dialog.Control(id);
        if (auto* button = qobject_cast<QAbstractButton*>(control)) return button->text();
        if (auto* label = qobject_cast<QLabel*>(control)) return label->text();
        return {};
    }
    QSettingsStore settings;
};

} // namespace

TEST_F(ConsoleDialogTest, EveryControlOfTheTemplateIsBuiltWhereItBelongs) {
    OperatorConsoleDialog dialog(settings);
    const DialogTemplate& layout = BuiltInDialogTemplate(102);
    DialogBaseUnits units = DialogBaseUnits::Of(dialog.font());
    EXPECT_EQ(dialog.width(), units.ToPixelsX(323));
    EXPECT_EQ(dialog.height(), units.ToPixelsY(227));
    int checked = 0;
    for (const ControlTemplate& control : layout.controls) {
        if (control.id == -1) continue;
        QWidget* widget = dialog.Control(control.id);
        ASSERT_NE(widget, nullptr) << control.id;
        EXPECT_EQ(widget->objectName(), QString::number(control.id));
        EXPECT_EQ(widget->isVisibleTo(&dialog), control.shown) << control.id;
        EXPECT_EQ(widget->isEnabled(), control.enabled) << control.id;
        EXPECT_EQ(widget->x(), units.ToPixelsX(control.x)) << control.id;
        EXPECT_EQ(widget->y(), units.ToPixelsY(control.y)) << control.id;
        EXPECT_FALSE(widget->accessibleName().isEmpty()) << control.id;
        ++checked;
    }
    EXPECT_EQ(checked, 36);
    EXPECT_EQ(dialog.Control(IdAddress)->accessibleName(), "IP:");
    EXPECT_EQ(dialog.Control(IdSerialEdit)->accessibleName(), "Serial");
    // The picture row and the MAC step button exist but stay hidden and disabled.
    for (int id : {IdCheckPicture, IdPicturePathEdit, IdBrowsePicture, IdUpdatePicture, IdIncrementMac}) {
        EXPECT_FALSE(dialog.Control(id)->isVisibleTo(&dialog)) << id;
        EXPECT_FALSE(dialog.Control(id)->isEnabled()) << id;
    }
}

TEST_F(ConsoleDialogTest, LabelsFollowTheSystemLanguage) {
    {
        OperatorConsoleDialog dialog(settings);
        EXPECT_EQ(dialog.windowTitle(), QString("升级工具 Version 2, 0, 0, 10"));
        EXPECT_EQ(TextOf(dialog, IdUpdateAll), "全部更新");
        EXPECT_EQ(TextOf(dialog, IdUpdateBios), "更新Bios");
        EXPECT_EQ(TextOf(dialog, IdStatusLine), "当前进度");
        EXPECT_EQ(TextOf(dialog, IdAutoAdd), "自加1");
        EXPECT_EQ(TextOf(dialog, IdCapture), "Capture"); // no label: the template's text stays
        EXPECT_EQ(TextOf(dialog, IdSetSerial), "Set Serial");
    }
    UiTranslator::Instance().SetResourcesInChinese(false);
    {
        OperatorConsoleDialog dialog(settings);
        EXPECT_EQ(dialog.windowTitle(), QString("Update Tool Version 2, 0, 0, 10"));
        EXPECT_EQ(TextOf(dialog, IdUpdateAll), "Update All");
        EXPECT_EQ(TextOf(dialog, IdUpdateLanguage), "Update LAN");
    }
    UiLanguage = 0;
    {
        OperatorConsoleDialog dialog(settings);
        EXPECT_EQ(dialog.windowTitle(), QString("Tarnwell Version 2, 0, 0, 10"));
        EXPECT_EQ(TextOf(dialog, IdUpdateAll), "Updata All");
        EXPECT_EQ(TextOf(dialog, IdUpdateBios), "UpdateBios");
    }
}

TEST_F(ConsoleDialogTest, FirstRunDefaultsAndSettingsAcrossRuns) {
    {
        OperatorConsoleDialog dialog(settings);
        auto* address = dialog.ControlAs<Ipv4AddressEdit>(IdAddress);
        EXPECT_TRUE(address->IsBlank());
        EXPECT_EQ(dialog.ControlAs<QLineEdit>(IdMacEdit)->text(), "");
        EXPECT_TRUE(dialog.ControlAs<QCheckBox>(IdAutoAdd)->isChecked());
        EXPECT_EQ(dialog.ControlAs<QComboBox>(IdVideoStandardCombo)->currentText(), "PAL");
        EXPECT_EQ(dialog.ControlAs<QComboBox>(IdLanguageCombo)->currentText(), "English");
        EXPECT_EQ(dialog.ControlAs<QComboBox>(IdLanguageCombo)->count(), 36);
        EXPECT_EQ(dialog.ControlAs<QLineEdit>(IdWebPortEdit)->text(), "80");
        EXPECT_EQ(dialog.ControlAs<QDateEdit>(IdDatePicker)->date(), QDate::currentDate());

        address->SetText("127.0.0.2");
        dialog.ControlAs<QLineEdit>(IdMacEdit)->setText("00:12:13:14:15:16");
        dialog.ControlAs<QLineEdit>(IdWebPortEdit)->setText("8080");
        dialog.close();
    }
    QSettings stored(QSettings::NativeFormat, QSettings::UserScope, "Orvel Software", "Velmora");
    EXPECT_TRUE(stored.fileName().endsWith("Orvel Software/Velmora.conf")) << stored.fileName().toStdString();
    EXPECT_EQ(stored.value("UpgradeIP").toString(), "127.0.0.2");
    EXPECT_EQ(stored.value("UpgradePort").toInt(), 10002);
    EXPECT_EQ(stored.value("UpgradeMacAddr").toString(), "00:12:13:14:15:16");
    {
        OperatorConsoleDialog dialog(settings);
        EXPECT_EQ(dialog.ControlAs<Ipv4AddressEdit>(IdAddress)->Text(), "127.0.0.2");
        EXPECT_EQ(dialog.ControlAs<QLineEdit>(IdMacEdit)->text(), "00:12:13:14:15:16");
        EXPECT_EQ(dialog.ControlAs<QLineEdit>(IdWebPortEdit)->text(), "80");
    }
}

TEST_F(ConsoleDialogTest, TheTimerPutsThePickersBackOnThePresent) {
    OperatorConsoleDialog dialog(settings);
    dialog.ControlAs<QDateEdit>(IdDatePicker)->setDate(QDate(2001, 2, 3));
    dialog.ControlAs<QTimeEdit>(IdTimePicker)->setTime(QTime(4, 5, 6));
    dialog.ControlAs<QLineEdit>(IdSerialEdit)->setText("SN-1");
    QTest::qWait(1300);
    EXPECT_EQ(dialog.ControlAs<QDateEdit>(IdDatePicker)->date(), QDate::currentDate());
    EXPECT_NE(dialog.ControlAs<QTimeEdit>(IdTimePicker)->time(), QTime(4, 5, 6));
    EXPECT_EQ(dialog.ControlAs<QLineEdit>(IdSerialEdit)->text(), "SN-1");
}

TEST_F(ConsoleDialogTest, EnterInAFieldRunsUpdateAll) {
    auto device = StartDevice();
    OperatorConsoleDialog dialog(settings);
    dialog.show();
    dialog.ControlAs<Ipv4AddressEdit>(IdAddress)->SetText(QString::fromStdString(device->Address()));
    dialog.ControlAs<QCheckBox>(IdCheckTime)->setChecked(true);
    QLineEdit* mac = dialog.ControlAs<QLineEdit>(IdMacEdit);
    mac->setFocus();
    QTest::keyClick(mac, Qt::Key_Return);
    ASSERT_EQ(prompts().messages.size(), 1u);
    EXPECT_EQ(prompts().messages[0].text, "升成完成");
    EXPECT_EQ(prompts().messages[0].caption, "tarnwell");
    EXPECT_TRUE(dialog.isVisible()); // Update All does not end the console
    ASSERT_TRUE(device->WaitUntilIdle());
    EXPECT_EQ(device->ExchangesWithCode(CmdSetTime).size(), 1u);
}

TEST_F(ConsoleDialogTest, CloseAndEscapeWaitForARunningUpgrade) {
    OperatorConsoleDialog dialog(settings);
    dialog.show();
    dialog.Console().busyWorker = true;
    dialog.close();
    EXPECT_TRUE(dialog.isVisible());
    QTest::keyClick(&dialog, Qt::Key_Escape);
    EXPECT_TRUE(dialog.isVisible());
    ASSERT_EQ(prompts().messages.size(), 2u);
    EXPECT_EQ(prompts().messages[0].text, "正在更新,请稍候!");
    EXPECT_FALSE(QSettings(QSettings::NativeFormat, QSettings::UserScope, "Orvel Software", "Velmora").contains("UpgradePort"));
    dialog.Console().busyWorker = false;
    QTest::keyClick(&dialog, Qt::Key_Escape);
    EXPECT_FALSE(dialog.isVisible());
    EXPECT_FALSE(QSettings(QSettings::NativeFormat, QSettings::UserScope, "Orvel Software", "Velmora").contains("UpgradePort"));
}

TEST_F(ConsoleDialogTest, TheWorkerReachesTheControlsThroughTheWindowThread) {
    OperatorConsoleDialog dialog(settings);
    std::atomic<bool> done{false};
    std::thread worker([&] {
        dialog.SetProgress(42);
        dialog.SetStatusLine("Update 3-10...");
        dialog.EnableControl(IdUpdateBios, false);
        done = true;
    });
    while (!done) QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
    worker.join();
    QCoreApplication::processEvents();
    EXPECT_EQ(dialog.ControlAs<QProgressBar>(IdProgressBar)->value(), 42);
    EXPECT_EQ(dialog.ControlAs<QLabel>(IdStatusLine)->text(), "Update 3-10...");
    EXPECT_FALSE(dialog.Control(IdUpdateBios)->isEnabled());
}

namespace {

class FakeWindows : public WindowLookup {
public:
    std::optional<WindowId> window;
    bool minimised = false;
    std::vector<std::string> calls;
    std::optional<WindowId> FindDialogWindow(const std::string& title) override {
        calls.push_back("find " + title);
        return window;
    }
    WindowId LastActivePopup(WindowId w) override { return w + 1; }
    bool IsMinimised(WindowId) override { return minimised; }
    void Show(WindowId w) override { calls.push_back("show " + std::to_string(w)); }
    void SetForeground(WindowId w) override { calls.push_back("foreground " + std::to_string(w)); }
};

} // namespace

TEST_F(ConsoleDialogTest, AnotherToolWindowIsRaisedInsteadOfStarting) {
    FakeWindows windows;
    windows.window = 7;
    windows.minimised = true;
    ConsoleApp app(windows, settings);
    EXPECT_FALSE(app.InitInstance());
    EXPECT_FALSE(app.ShowedConsole());
    EXPECT_EQ(windows.calls, (std::vector<std::string>{"find Kendry Upgrade Tool Ver2.0", "show 7", "show 8", "foreground 8"}));
}
