// The device search dialog against the real device-search library, searching
// loopback only: every adapter it is given is a loopback one, and the
// simulated devices answer on a port of this test's own.
#include "app/console_ui.h"
#include "app/gui/ipv4_address_edit.h"
#include "app/gui/operator_console_dialog.h"
#include "app/gui/qsettings_store.h"
#include "net/device_search_library.h"
#include "app/gui/console_device_search.h"
#include "app/gui/device_search_dialog.h"
#include "app/gui/grid_line_delegate.h"
#include "sdk/device_search_protocol.h"
#include "sim/discovery_responder.h"
#include "support/recording_prompts.h"

#include <QApplication>
#include <QComboBox>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTest>
#include <QTimer>
#include <QTreeWidget>
#include <algorithm>
#include <array>
#include <cstdlib>
#include <filesystem>
#include <functional>
#include <gtest/gtest.h>
#include <map>

using namespace tarnwell;
using namespace tarnwell::test;
using tarnwell::sim::DiscoverableDevice;
using tarnwell::sim::DiscoveryResponder;

namespace {

const std::string kLibraryPath = TARNWELL_BINARY_DIR "/bin/libtarnwell_devsearch.so";

// The real library, with its calls written down.
class RecordingLibrary : public DeviceSearchLibrary {
public:
    explicit RecordingLibrary(const std::string& path = kLibraryPath) : DeviceSearchLibrary(path) {}
    int Open(int32_t reserved, void* owner) override {
        calls.push_back("open");
        return DeviceSearchLibrary::Open(reserved, owner);
    }
    int Close() override {
        calls.push_back("close");
        return DeviceSearchLibrary::Close();
    }
    int SearchDevices(char* buffer, int32_t size, int32_t* count, int32_t limitMs, const char* adapter) override {
        calls.push_back(std::string("search ") + adapter);
        return DeviceSearchLibrary::SearchDevices(buffer, size, count, limitMs, adapter);
    }
    size_t Count(const std::string& call) const { return static_cast<size_t>(std::count(calls.begin(), calls.end(), call)); }

    std::vector<std::string> calls;
};

AdapterSnapshot LoopbackAdapter(const std::string& description, const std::string& address) {
    AdapterSnapshot adapter;
    adapter.name = adapter.description = description;
    adapter.index = 1;
    adapter.addresses = {{address, "255.0.0.0"}};
    return adapter;
}

class LoopbackAdapters : public AdapterSource {
public:
    std::vector<AdapterSnapshot> ReadAdapters() override { return adapters; }
    // 127.0.0.2 is not an address of this machine: a search from it sends nothing.
    std::vector<AdapterSnapshot> adapters{LoopbackAdapter("Loopback", "127.0.0.1")};
};

std::vector<DiscoverableDevice> Devices(int count) {
    std::vector<DiscoverableDevice> devices;
    for (int i = 0; i < count; ++i) {
        DiscoverableDevice device;
        device.address = "127.0.1." + std::to_string(10 + i);
        device.webPort = 8080 + i;
        device.dataPort = i == 2 ? -1 : 10002;
        device.mobilePort = 554 + i;
        device.gateway = "127.0.0.1";
        device.mac = "00:11:22:33:44:5" + std::to_string(i);
        device.deviceType = "IPC-" + std::to_string(i);
        devices.push_back(device);
    }
    return devices;
}

QStringList RowTexts(QTreeWidgetItem* item) {
    QStringList texts;
    for (int column = 0; column < DeviceListColumnCount; ++column) texts << item->text(column);
    return texts;
}

QString TextOf(DeviceSearchDialog& dialog, int id) {
    QWidget* control = dialog.Control(id);
    if (auto* button = qobject_cast<QAbstractButton*>(control)) return button->text();
    if (auto* label = qobject_cast<QLabel*>(control)) return label->text();
    return {};
}

void DoubleClickRow(DeviceSearchDialog& dialog, int row) {
    QTreeWidget* list = dialog.DeviceList();
    QPoint at = list->visualItemRect(list->topLevelItem(row)).center();
    QTest::mouseClick(list->viewport(), Qt::LeftButton, {}, at);
    QTest::mouseDClick(list->viewport(), Qt::LeftButton, {}, at);
}

class DeviceSearchDialogTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(std::filesystem::exists(kLibraryPath)) << "build tarnwell_devsearch first";
        ASSERT_TRUE(responder.Start(Devices(4), 0));
        ::setenv(devsearch::kPortVariable, std::to_string(responder.Port()).c_str(), 1);
        prompts().Clear();
    }
    void TearDown() override {
        ::unsetenv(devsearch::kPortVariable);
        UiLanguage = 1;
        UiTranslator::Instance().SetResourcesInChinese(false);
    }
    static RecordingPrompts& prompts() { return RecordingPrompts::Current(); }

    // Runs the console's search; `act` plays the operator in the open dialog.
    void SearchFromConsoleWith(OperatorConsoleDialog& console, const std::function<void(DeviceSearchDialog&)>& act) {
        bool acted = false;
        QTimer::singleShot(0, [&] {
            if (auto* dialog = qobject_cast<DeviceSearchDialog*>(QApplication::activeModalWidget())) {
                acted = true;
                act(*dialog);
            }
        });
        QTimer rescue; // never hang the run if the dialog did not close
        rescue.setSingleShot(true);
        QObject::connect(&rescue, &QTimer::timeout, [] {
            if (auto* dialog = qobject_cast<QDialog*>(QApplication::activeModalWidget())) dialog->done(QDialog::Rejected);
        });
        rescue.start(10000);
        SearchFromConsole(console, library, adapters);
        EXPECT_TRUE(acted);
        EXPECT_TRUE(rescue.isActive()) << "the dialog had to be closed by force";
    }

    DiscoveryResponder responder;
    RecordingLibrary library;
    LoopbackAdapters adapters;
    QSettingsStore settings;
};

} // namespace

TEST_F(DeviceSearchDialogTest, OpeningSearchesAtOnceAndListsEveryDevice) {
    DeviceSearchDialog dialog(library, adapters);
    EXPECT_EQ(library.calls, (std::vector<std::string>{"open", "search 127.0.0.1"}));
    EXPECT_TRUE(prompts().messages.empty());
    EXPECT_EQ(dialog.AdapterCombo()->currentText(), "Loopback");
    EXPECT_FALSE(dialog.AdapterCombo()->isEnabled()) << "a single adapter leaves nothing to choose";

    QTreeWidget* list = dialog.DeviceList();
    ASSERT_EQ(list->topLevelItemCount(), 4);
    std::map<QString, QStringList> shown;
    for (int i = 0; i < 4; ++i) {
        QTreeWidgetItem* item = list->topLevelItem(i);
        EXPECT_EQ(item->data(0, Qt::UserRole).toInt(), i);
        shown[item->text(ColumnAddress)] = RowTexts(item);
    }
    EXPECT_EQ(shown["127.0.1.10"], (QStringList{"127.0.1.10", "00:11:22:33:44:50", "127.0.0.1", "8080", "10002", "554", "IPC-0"}));
    EXPECT_EQ(shown["127.0.1.12"], (QStringList{"127.0.1.12", "00:11:22:33:44:52", "127.0.0.1", "8082", "-1", "556", "IPC-2"}));
    EXPECT_EQ(shown["127.0.1.13"][ColumnMobilePort], "557");

    // The list holds the latest search only, and never more than 200 devices.
    ASSERT_TRUE(responder.SetDevices(Devices(1)));
    dialog.RunSearch();
    EXPECT_EQ(list->topLevelItemCount(), 1);
    std::vector<DiscoverableDevice> crowd;
    for (int i = 0; i < 201; ++i) {
        DiscoverableDevice device;
        device.address = "127.0." + std::to_string(2 + i / 200) + "." + std::to_string(1 + i % 200);
        crowd.push_back(device);
    }
    ASSERT_TRUE(responder.SetDevices(crowd));
    dialog.RunSearch();
    EXPECT_EQ(list->topLevelItemCount(), 200);
    EXPECT_TRUE(prompts().messages.empty());
}

TEST_F(DeviceSearchDialogTest, ChoosingAnotherAdapterChangesOnlyTheNextSearch) {
    adapters.adapters.push_back(LoopbackAdapter("Loopback 2", "127.0.0.2"));
    DeviceSearchDialog dialog(library, adapters);
    QComboBox* combo = dialog.AdapterCombo();
    ASSERT_EQ(combo->count(), 2);
    EXPECT_TRUE(combo->isEnabled());
    EXPECT_EQ(combo->currentIndex(), 0);
    EXPECT_EQ(combo->itemText(1), "Loopback 2");
    EXPECT_EQ(dialog.DeviceList()->topLevelItemCount(), 4);

    combo->setCurrentIndex(1);
    EXPECT_EQ(dialog.SelectedAdapterIndex(), 1);
    EXPECT_EQ(dialog.AdapterAddress(), "127.0.0.2");
    EXPECT_EQ(library.calls.size(), 2u) << "choosing an adapter does not search";
    EXPECT_EQ(dialog.DeviceList()->topLevelItemCount(), 4);

    QTest::mouseClick(dialog.Control(IdSearchButton), Qt::LeftButton);
    EXPECT_EQ(library.calls.back(), "search 127.0.0.2");
    combo->setCurrentIndex(0);
    EXPECT_EQ(dialog.AdapterAddress(), "127.0.0.1");
}

TEST_F(DeviceSearchDialogTest, EnterSearchesAgainAndNeverCloses) {
    DeviceSearchDialog dialog(library, adapters);
    dialog.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&dialog));
    QTest::keyClick(&dialog, Qt::Key_Return);
    QTest::keyClick(dialog.DeviceList(), Qt::Key_Enter);
    QTest::keyClick(dialog.AdapterCombo(), Qt::Key_Return);
    EXPECT_EQ(library.Count("search 127.0.0.1"), 4u);
    EXPECT_TRUE(dialog.isVisible());
    EXPECT_EQ(dialog.DeviceList()->topLevelItemCount(), 4);
    EXPECT_EQ(library.Count("close"), 0u);
}

TEST_F(DeviceSearchDialogTest, DoubleClickHandsTheMarkedDeviceToTheConsole) {
    OperatorConsoleDialog console(settings);
    console.ControlAs<Ipv4AddressEdit>(IdAddress)->SetText("127.0.0.9");
    console.ControlAs<QLineEdit>(IdWebPortEdit)->setText("81");
    QString address, webPort;
    SearchFromConsoleWith(console, [&](DeviceSearchDialog& dialog) {
        QTreeWidgetItem* second = dialog.DeviceList()->topLevelItem(1);
        ASSERT_NE(second, nullptr);
        address = second->text(ColumnAddress);
        webPort = second->text(ColumnWebPort);
        DoubleClickRow(dialog, 1);
    });
    ASSERT_FALSE(address.isEmpty());
    EXPECT_EQ(console.ControlAs<Ipv4AddressEdit>(IdAddress)->Text(), address);
    EXPECT_EQ(console.ControlAs<QLineEdit>(IdWebPortEdit)->text(), webPort);
    EXPECT_EQ(library.Count("close"), 0u) << "picking a device does not close the library";
}

TEST_F(DeviceSearchDialogTest, CancelAndUnmarkedDoubleClickLeaveTheConsoleAlone) {
    OperatorConsoleDialog console(settings);
    console.ControlAs<Ipv4AddressEdit>(IdAddress)->SetText("127.0.0.9");
    console.ControlAs<QLineEdit>(IdWebPortEdit)->setText("81");
    SearchFromConsoleWith(console, [&](DeviceSearchDialog& dialog) {
        // Below the last row, with no device marked yet: nothing happens.
        QTest::mouseDClick(dialog.DeviceList()->viewport(), Qt::LeftButton, {}, QPoint(5, dialog.DeviceList()->viewport()->height() - 5));
        EXPECT_TRUE(dialog.isVisible());
        EXPECT_EQ(library.Count("close"), 0u);
        QTest::mouseClick(dialog.Control(IdSearchCancel), Qt::LeftButton);
    });
    EXPECT_EQ(console.ControlAs<Ipv4AddressEdit>(IdAddress)->Text(), "127.0.0.9");
    EXPECT_EQ(console.ControlAs<QLineEdit>(IdWebPortEdit)->text(), "81");
    EXPECT_EQ(library.calls, (std::vector<std::string>{"open", "search 127.0.0.1", "close"}));

    // Escape and the close box close the library the same way.
    SearchFromConsoleWith(console, [](DeviceSearchDialog& dialog) { QTest::keyClick(&dialog, Qt::Key_Escape); });
    SearchFromConsoleWith(console, [](DeviceSearchDialog& dialog) { dialog.close(); });
    EXPECT_EQ(library.Count("close"), 3u);
    EXPECT_EQ(library.Count("open"), 3u);
    EXPECT_EQ(console.ControlAs<Ipv4AddressEdit>(IdAddress)->Text(), "127.0.0.9");
}

TEST_F(DeviceSearchDialogTest, MissingLibraryReportsSearchFailedInEnglish) {
    RecordingLibrary missing("/nonexistent/libtarnwell_devsearch.so");
    DeviceSearchDialog dialog(missing, adapters);
    ASSERT_EQ(prompts().messages.size(), 1u);
    EXPECT_EQ(prompts().messages[0].text, "Search Failed");
    EXPECT_EQ(dialog.DeviceList()->topLevelItemCount(), 0);
    EXPECT_EQ(dialog.result(), QDialog::Rejected);
    EXPECT_EQ(responder.ProbesAnswered(), 0u);
}

TEST_F(DeviceSearchDialogTest, TextsFollowTheLanguageAndHeadingsNeverDo) {
    RecordingLibrary missing("/nonexistent/libtarnwell_devsearch.so");
    const QStringList headings{"IP", "MAC", "GATEWAY", "WEB PORT", "DATA PORT", "Mobile Port", "DEVICE TYPE"};
    auto headingsOf = [](DeviceSearchDialog& dialog) {
        QStringList texts;
        for (int column = 0; column < DeviceListColumnCount; ++column) texts << dialog.DeviceList()->headerItem()->text(column);
        return texts;
    };
    UiTranslator::Instance().SetResourcesInChinese(true);
    {
        DeviceSearchDialog dialog(missing, adapters);
        EXPECT_EQ(dialog.windowTitle(), "升级工具");
        EXPECT_EQ(TextOf(dialog, IdSearchAdapterLabel), "网络适配器 : ");
        EXPECT_EQ(TextOf(dialog, IdSearchButton), "查找");
        EXPECT_EQ(TextOf(dialog, IdSearchCancel), "取消");
        EXPECT_EQ(headingsOf(dialog), headings);
    }
    UiLanguage = 0;
    {
        DeviceSearchDialog dialog(missing, adapters);
        EXPECT_EQ(dialog.windowTitle(), "Search Device");
        EXPECT_EQ(TextOf(dialog, IdSearchAdapterLabel), "Static");
        EXPECT_EQ(TextOf(dialog, IdSearchButton), "Search");
        EXPECT_EQ(TextOf(dialog, IdSearchCancel), "Cancel");
        EXPECT_EQ(headingsOf(dialog), headings);
    }
    for (const auto& message : prompts().messages) EXPECT_EQ(message.text, "Search Failed");
}

TEST_F(DeviceSearchDialogTest, ColumnsAreSizedFromTheListWidth) {
    RecordingLibrary missing("/nonexistent/libtarnwell_devsearch.so");
    DeviceSearchDialog dialog(missing, adapters);
    QTreeWidget* list = dialog.DeviceList();
    DialogBaseUnits units = DialogBaseUnits::Of(dialog.font());
    ASSERT_EQ(list->width(), units.ToPixelsX(445));
    const int unit = (list->width() - 3) / 7;
    const std::array<int, DeviceListColumnCount> offsets{10, 24, 4, -15, -20, -20, -20};
    for (int column = 0; column < DeviceListColumnCount; ++column)
        EXPECT_EQ(list->columnWidth(column), unit + offsets[static_cast<size_t>(column)]) << column;
    EXPECT_TRUE(list->header()->sectionsMovable());
    EXPECT_EQ(list->selectionBehavior(), QAbstractItemView::SelectRows);
    EXPECT_NE(qobject_cast<GridLineDelegate*>(list->itemDelegate()), nullptr);
}
