// The console as an operator drives it: real key presses, paste from the
// clipboard, Enter on what has the focus, the file dialog's filters, and what
// a screen reader hears.
#include "app/gui/ipv4_address_edit.h"
#include "app/gui/operator_console_dialog.h"
#include "app/gui/qsettings_store.h"
#include "protocol/command_block.h"
#include "support/loopback_device.h"
#include "support/recording_prompts.h"
#include "support/temp_dir.h"

#include <QAccessible>
#include <QApplication>
#include <QClipboard>
#include <QCheckBox>
#include <QComboBox>
#include <QDateEdit>
#include <QDir>
#include <QLabel>
#include <QLineEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QSettings>
#include <QTest>
#include <gtest/gtest.h>

using namespace tarnwell;
using namespace tarnwell::test;

namespace {

class OperatorInputTest : public ::testing::Test {
protected:
    void SetUp() override {
        QSettings(QSettings::NativeFormat, QSettings::UserScope, "Orvel Software", "Velmora").clear();
        prompts().Clear();
        prompts().filters.clear();
        UiTranslator::Instance().SetResourcesInChinese(true);
        dialog = std::make_unique<OperatorConsoleDialog>(settings);
        dialog->show();
        dialog->activateWindow();
        ASSERT_TRUE(QTest::qWaitForWindowActive(dialog.get()));
    }
    void TearDown() override {
        dialog.reset();
        UiTranslator::Instance().SetResourcesInChinese(false);
    }
    RecordingPrompts& prompts() { return RecordingPrompts::Current(); }
    Ipv4AddressEdit* Address() { return dialog->ControlAs<Ipv4AddressEdit>(IdAddress); }
    // Every key goes to whatever has the focus, as the keyboard's would.
    static void Type(const QString& text) {
        for (QChar c : text) QTest::keyClick(QApplication::focusWidget(), c.toLatin1());
    }
    static void Press(Qt::Key key) { QTest::keyClick(QApplication::focusWidget(), key); }
    // What the actions send to, and what is saved at close.
    std::string AddressSentTo() {
        dialog->Console().ReadDeviceAddress();
        return dialog->Console().deviceAddressText;
    }
    void StartTypingInFirstField() {
        Address()->Field(0)->setFocus();
        QCoreApplication::processEvents();
    }

    QSettingsStore settings;
    std::unique_ptr<OperatorConsoleDialog> dialog;
};

} // namespace

TEST_F(OperatorInputTest, TypedAddressesArriveIntact) {
    const std::vector<std::pair<QString, std::string>> typed{
        {"192.168.1.10", "192.168.1.10"}, {"10.0.0.5", "10.0.0.5"}, {"172.16.254.1", "172.16.254.1"},
        {"1.2.3.4", "1.2.3.4"},           {"999.1.1.1", "255.1.1.1"}, {"1 2 3 4", "1.2.3.4"},
        {"1..2.3.4", "1.2.3.4"}, // a "." in an empty field does nothing
    };
    for (const auto& [keys, sent] : typed) {
        Address()->SetText("");
        StartTypingInFirstField();
        Type(keys);
        EXPECT_EQ(AddressSentTo(), sent) << keys.toStdString();
    }
    // The saved address is the typed one too.
    Address()->SetText("");
    StartTypingInFirstField();
    Type("192.168.1.10");
    dialog->close();
    EXPECT_EQ(QSettings(QSettings::NativeFormat, QSettings::UserScope, "Orvel Software", "Velmora")
                  .value("UpgradeIP")
                  .toString(),
              "192.168.1.10");
}

TEST_F(OperatorInputTest, FieldsTakeDigitsOnlyAndEditingCrossesBetweenThem) {
    StartTypingInFirstField();
    Type("1a9-2");
    EXPECT_EQ(Address()->Field(0)->text(), "192");
    EXPECT_EQ(QApplication::focusWidget(), Address()->Field(1));
    Type("25");
    Press(Qt::Key_Backspace);
    Press(Qt::Key_Backspace);
    EXPECT_EQ(Address()->Field(1)->text(), "");
    Press(Qt::Key_Backspace); // empty: back to the end of the first field
    EXPECT_EQ(QApplication::focusWidget(), Address()->Field(0));
    Press(Qt::Key_Backspace);
    EXPECT_EQ(Address()->Field(0)->text(), "19");
    Press(Qt::Key_Right); // at the end: over to the next field
    EXPECT_EQ(QApplication::focusWidget(), Address()->Field(1));
    Press(Qt::Key_Left); // at the start: back to the previous field
    EXPECT_EQ(QApplication::focusWidget(), Address()->Field(0));
    EXPECT_EQ(Address()->Field(0)->cursorPosition(), 2);
    // A value above 255 becomes 255.
    Address()->Field(2)->setFocus();
    Type("300");
    EXPECT_EQ(Address()->Field(2)->text(), "255");
}

TEST_F(OperatorInputTest, PastingAnAddressIntoAnyFieldFillsAllFour) {
    for (int field : {0, 2, 3}) {
        Address()->SetText("");
        Address()->Field(field)->setFocus();
        QApplication::clipboard()->setText("10.0.0.5");
        QTest::keySequence(QApplication::focusWidget(), QKeySequence::Paste);
        EXPECT_EQ(AddressSentTo(), "10.0.0.5") << field;
    }
    // What is no address pastes no dots.
    Address()->SetText("");
    Address()->Field(0)->setFocus();
    QApplication::clipboard()->setText("10.0.0");
    QTest::keySequence(QApplication::focusWidget(), QKeySequence::Paste);
    EXPECT_TRUE(Address()->IsBlank());
}

TEST_F(OperatorInputTest, EnterPressesTheFocusedButtonAndElsewhereUpdateAll) {
    auto device = StartDevice();
    Address()->SetText(QString::fromStdString(device->Address()));
    dialog->ControlAs<QCheckBox>(IdCheckTime)->setChecked(true);

    // Enter on "Update P/N" sets the video standard only: no Update All, no firmware.
    dialog->Control(IdUpdateVideoStandard)->setFocus();
    Press(Qt::Key_Return);
    ASSERT_TRUE(device->WaitUntilIdle());
    EXPECT_EQ(device->ExchangesWithCode(CmdSetVideoStandard).size(), 1u);
    EXPECT_EQ(device->ExchangesWithCode(CmdSetTime).size(), 0u);
    ASSERT_EQ(prompts().messages.size(), 1u);
    EXPECT_EQ(prompts().messages[0].text, "更新成功");

    // Enter in an edit, a combo box or a picker runs Update All (the time is ticked).
    for (QWidget* target : {dialog->Control(IdMacEdit),
                            static_cast<QWidget*>(dialog->ControlAs<QComboBox>(IdLanguageCombo)->lineEdit()),
                            dialog->Control(IdDatePicker)}) {
        prompts().Clear();
        target->setFocus();
        Press(Qt::Key_Enter);
        ASSERT_EQ(prompts().messages.size(), 1u) << target->objectName().toStdString();
        EXPECT_EQ(prompts().messages[0].text, "升成完成");
    }
    ASSERT_TRUE(device->WaitUntilIdle());
    EXPECT_EQ(device->ExchangesWithCode(CmdSetTime).size(), 3u);
    EXPECT_EQ(device->ExchangesWithCode(CmdSetVideoStandard).size(), 1u);
}

TEST_F(OperatorInputTest, TheFileDialogsOfferEachPatternOnceAndAllFilesMeansAll) {
    TempDir dir;
    const QString noExtension = QString::fromStdString(dir.File("firmware"));
    WriteFileBytes(noExtension.toStdString(), "x");
    prompts().files.push_back({noExtension});
    QTest::mouseClick(dialog->ControlAs<QPushButton>(IdBrowseFirmware), Qt::LeftButton);
    ASSERT_EQ(prompts().filters.size(), 1u);
    EXPECT_EQ(prompts().filters[0], "Upgrade File(*.lua *.txt *.bin *.tar);;All Files (*)");
    // The "All Files" patterns list a file without an extension.
    const QString allFiles = prompts().filters[0].section(";;", 1);
    const QString pattern = allFiles.mid(allFiles.indexOf('(') + 1).chopped(1);
    EXPECT_TRUE(QDir::match(pattern, "firmware"));
    EXPECT_EQ(dialog->ControlAs<QLineEdit>(IdBiosPathEdit)->text(), noExtension);
}

namespace {

QString AccessibleName(QObject* object) {
    QAccessibleInterface* accessible = QAccessible::queryAccessibleInterface(object);
    return accessible == nullptr ? QString() : accessible->text(QAccessible::Name);
}

} // namespace

TEST_F(OperatorInputTest, AScreenReaderHearsWhatTheScreenShows) {
    // Names follow the labels after relabelling.
    EXPECT_EQ(AccessibleName(dialog->Control(IdUpdateBios)), "更新Bios");
    EXPECT_EQ(AccessibleName(dialog->Control(IdUpdateAll)), "全部更新");
    EXPECT_EQ(AccessibleName(dialog->Control(IdAutoAdd)), "自加1");
    EXPECT_EQ(AccessibleName(dialog->Control(IdStatusLine)), "当前进度");
    // Each combo and edit is named after its row, also where the focus sits inside a combo.
    auto* language = dialog->ControlAs<QComboBox>(IdLanguageCombo);
    auto* video = dialog->ControlAs<QComboBox>(IdVideoStandardCombo);
    // (A combo box itself is announced by its value on Linux; its edit holds the focus.)
    EXPECT_EQ(AccessibleName(language->lineEdit()), "Default language");
    EXPECT_EQ(AccessibleName(video->lineEdit()), "Video standard");
    EXPECT_EQ(AccessibleName(dialog->Control(IdMacEdit)), "MAC address");
    EXPECT_EQ(AccessibleName(dialog->Control(IdSerialEdit)), "Serial");
    EXPECT_EQ(AccessibleName(dialog->Control(IdAddress)), "IP:");

    // The status line's text and the bar's value reach assistive technology as they change.
    dialog->SetStatusLine("Update Bios Complete");
    dialog->SetProgress(42);
    EXPECT_EQ(AccessibleName(dialog->Control(IdStatusLine)), "Update Bios Complete");
    QAccessibleInterface* bar = QAccessible::queryAccessibleInterface(dialog->Control(IdProgressBar));
    ASSERT_NE(bar, nullptr);
    ASSERT_NE(bar->valueInterface(), nullptr);
    EXPECT_EQ(bar->valueInterface()->currentValue().toInt(), 42);
}
