#include "app/gui/about_dialog.h"
#include "app/gui/console_message_channel.h"
#include "app/gui/operator_console_dialog.h"
#include "app/gui/qsettings_store.h"

#include <QAction>
#include <QApplication>
#include <QLabel>
#include <QMenu>
#include <QPushButton>
#include <QTest>
#include <QTimer>
#include <gtest/gtest.h>

using namespace tarnwell;

namespace {

// Once a modal box or menu is up, looks at it and closes it. The watcher
// belongs to `owner`, so it never outlives the test that set it.
template <typename Inspect> void WhenModalAppears(QObject* owner, Inspect inspect) {
    auto* timer = new QTimer(owner);
    timer->setInterval(20);
    QObject::connect(timer, &QTimer::timeout, [timer, inspect] {
        QWidget* modal = QApplication::activePopupWidget();
        if (modal == nullptr) modal = QApplication::activeModalWidget();
        if (modal == nullptr) return;
        timer->stop();
        inspect(modal);
    });
    timer->start();
}

bool WaitFor(const std::function<bool()>& condition) {
    for (int i = 0; i < 200 && !condition(); ++i) QTest::qWait(10);
    return condition();
}

class ConsoleChromeTest : public ::testing::Test {
protected:
    QSettingsStore settings;
};

} // namespace

TEST_F(ConsoleChromeTest, AboutBoxOpensFromTheAboutEntryAndCloses) {
    OperatorConsoleDialog console(settings);
    console.show();
    QString shownText;
    bool wasAbout = false;
    auto closeAbout = [&](QWidget* modal) {
        wasAbout = qobject_cast<AboutDialog*>(modal) != nullptr;
        for (QLabel* label : modal->findChildren<QLabel*>())
            if (!label->text().isEmpty()) shownText = label->text();
        if (auto* ok = modal->findChild<QPushButton*>("1")) ok->click();
        else modal->close();
    };
    QApplication::setActiveWindow(&console);
    WhenModalAppears(&console, closeAbout);
    QTest::keyClick(&console, Qt::Key_F1);
    EXPECT_TRUE(wasAbout);
    EXPECT_EQ(shownText, "Tarnwell 1.0 版");
    EXPECT_TRUE(console.isVisible());

    // The same entry stands in the window's context menu.
    ASSERT_FALSE(console.actions().isEmpty());
    QAction* entry = console.actions().last();
    EXPECT_EQ(entry->text(), "About Tarnwell(&A)..."); // the label table's English text
    wasAbout = false;
    WhenModalAppears(&console, closeAbout);
    entry->trigger();
    EXPECT_TRUE(wasAbout);
}

TEST_F(ConsoleChromeTest, PostedMouseMessagesShowTheConsoleOrOpenTheMenu) {
    OperatorConsoleDialog console(settings);
    console.show();
    console.showMinimized();

    QStringList entries;
    WhenModalAppears(&console, [&](QWidget* popup) {
        auto* menu = qobject_cast<QMenu*>(popup);
        if (menu == nullptr) return popup->close(), void();
        for (QAction* action : menu->actions()) entries << (action->isSeparator() ? "-" : action->text());
        menu->actions().last()->trigger(); // "Exit"
        menu->close();
    });
    ASSERT_TRUE(ConsoleMessageChannel::Post(0x467, 0, 0x204));
    ASSERT_TRUE(WaitFor([&] { return !entries.isEmpty(); }));
    EXPECT_EQ(entries, (QStringList{"Show", "About", "-", "Exit"}));
    EXPECT_TRUE(console.isVisible()); // Exit leaves the console running

    ASSERT_TRUE(ConsoleMessageChannel::Post(0x467, 0, 0x200));
    QTest::qWait(100);
    EXPECT_TRUE(console.isMinimized());
    ASSERT_TRUE(ConsoleMessageChannel::Post(0x467, 0, 0x201));
    EXPECT_TRUE(WaitFor([&] { return !console.isMinimized(); }));
}
