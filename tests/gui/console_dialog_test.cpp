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

TEST_F(ConsoleDialogTest, EveryControlSitsInItsRowInOrder) {
    OperatorConsoleDialog dialog(settings);
    DialogBaseUnits units = DialogBaseUnits::Of(dialog.font());
    // The console's layout in dialog units: 323 by 227, rows top to bottom,
    // each row's controls left to right.
    EXPECT_EQ(dialog.width(), units.ToPixelsX(323));
    EXPECT_EQ(dialog.height(), units.ToPixelsY(227));
    struct Row {
        int y;
        std::vector<int> ids;
    };
    const std::vector<Row> rows{
        {5, {IdAddress, IdSearch}},
        {24, {IdCheckFirmware, IdBiosPathEdit, IdBrowseFirmware, IdUpdateBios}},
        {45, {IdCheckLanguage, IdLanguageCombo, IdBrowseUnused, IdUpdateLanguage}},
        {64, {IdCheckMac, IdMacEdit, IdAutoAdd, IdUpdateMac}},
        {82, {IdCheckVideoStandard, IdVideoStandardCombo, IdIncrementMac, IdUpdateVideoStandard}},
        {100, {IdCheckTime, IdDatePicker, IdTimePicker, IdUpdateTime}},
        {121, {IdCaptureFolderEdit, IdBrowseCaptureFolder, IdCapture}},
        {141, {IdSerialEdit, IdWebPortEdit, IdSetSerial}},
        {163, {IdStatusLine}},
        {176, {IdProgressBar, IdTestLink}},
        {200, {IdUpdateAll}},
        {212, {IdCheckPicture, IdPicturePathEdit, IdBrowsePicture, IdUpdatePicture}},
    };
    int placed = 0;
    for (const Row& row : rows) {
        int left = -1;
        for (int id : row.ids) {
            QWidget* widget = dialog.Control(id);
            ASSERT_NE(widget, nullptr) << id;
            EXPECT_EQ(widget->objectName(), QString::number(id));
            // Within the row's band: small controls sit a little lower than the row's edits.
            EXPECT_GE(widget->y(), units.ToPixelsY(row.y)) << id;
            EXPECT_LE(widget->y(), units.ToPixelsY(row.y + 3)) << id;
            EXPECT_GT(widget->x(), left) << id;
            left = widget->x();
            ++placed;
        }
    }
    EXPECT_EQ(placed, 36);
    // Shown from the start except the picture row, the unused Browse, "加1" and "TestLink".
    for (int id : {IdCheckPicture, IdPicturePathEdit, IdBrowsePicture, IdUpdatePicture, IdIncrementMac, IdBrowseUnused}) {
        EXPECT_FALSE(dialog.Control(id)->isVisibleTo(&dialog)) << id;
        EXPECT_FALSE(dialog.Control(id)->isEnabled()) << id;
    }
    EXPECT_FALSE(dialog.Control(IdTestLink)->isVisibleTo(&dialog));
    EXPECT_TRUE(dialog.Control(IdTestLink)->isEnabled());
    EXPECT_TRUE(dialog.Control(IdCaptureFolderEdit)->isVisibleTo(&dialog));
    EXPECT_FALSE(dialog.Control(IdCaptureFolderEdit)->isEnabled());
    EXPECT_TRUE(dialog.ControlAs<QPushButton>(IdUpdateAll)->isDefault());
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
