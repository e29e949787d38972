#include "app/gui/device_search_dialog.h"

#include "text/bilingual_text.h"
#include "app/gui/localisable_built_dialog.h"
#include "app/gui/operator_console_dialog.h"
#include "app/gui/prompts.h"
#include "net/device_search_run.h"
#include "app/gui/grid_line_delegate.h"
#include "net/network_adapter_enumerator.h"

#include <QAbstractButton>
#include <QApplication>
#include <QComboBox>
#include <QHeaderView>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QSignalBlocker>
#include <QTreeWidget>
#include <array>

namespace tarnwell {

namespace {

QString Q(const std::string& text) { return QString::fromStdString(text); }

struct ColumnLayout {
    const char* heading;
    int widthOffset; // from the width unit
};

constexpr std::array<ColumnLayout, DeviceListColumnCount> kColumns{{
    {"IP", 10},
    {"MAC", 24},
    {"GATEWAY", 4},
    {"WEB PORT", -15},
    {"DATA PORT", -20},
    {"Mobile Port", -20},
    {"DEVICE TYPE", -20},
}};

QStringList CellTexts(const DeviceSearchRow& row) {
    QStringList texts;
    texts.resize(DeviceListColumnCount);
    texts[ColumnAddress] = Q(row.address);
    texts[ColumnMac] = Q(row.mac);
    texts[ColumnGateway] = Q(row.gateway);
    texts[ColumnWebPort] = Q(row.webPort);
    texts[ColumnDataPort] = Q(row.dataPort);
    texts[ColumnMobilePort] = Q(row.mobilePort);
    texts[ColumnDeviceType] = Q(row.deviceType);
    return texts;
}

} // namespace

DeviceSearchDialog::DeviceSearchDialog(DeviceSearchLibrary& library, AdapterSource& adapters, QWidget* parent)
    : QDialog(parent), library_(library), adapters_(adapters) {
    built_ = BuildDialog(*this, BuiltInDialogTemplate(130));
    combo_ = qobject_cast<QComboBox*>(Control(IdSearchAdapterCombo));
    list_ = qobject_cast<QTreeWidget*>(Control(IdSearchDeviceList));
    connect(combo_, &QComboBox::currentIndexChanged, this, &DeviceSearchDialog::OnAdapterSelChange);
    connect(qobject_cast<QPushButton*>(Control(IdSearchButton)), &QPushButton::clicked, this, &DeviceSearchDialog::accept);
    connect(qobject_cast<QPushButton*>(Control(IdSearchCancel)), &QPushButton::clicked, this, &DeviceSearchDialog::reject);
    list_->viewport()->installEventFilter(this);
    OnInitDialog();
}

QWidget* DeviceSearchDialog::Control(int id) const {
    auto found = built_.controls.find(id);
    return found == built_.controls.end() ? nullptr : found->second;
}

void DeviceSearchDialog::OnInitDialog() {
    if (UiLanguage.load() == 1) {
        LocalisableBuiltDialog texts(*this, built_);
        UiTranslator::Instance().LocaliseDialogTexts(texts);
    }
    InsertDeviceColumns();
    library_.Open(0, this);
    FillAdapterCombo();
    RunSearch();
}

void DeviceSearchDialog::InsertDeviceColumns() {
    list_->setColumnCount(DeviceListColumnCount);
    QStringList headings;
    for (const ColumnLayout& column : kColumns) headings << column.heading;
    list_->setHeaderLabels(headings);
    list_->header()->setStretchLastSection(false);
    list_->header()->setDefaultAlignment(Qt::AlignLeft | Qt::AlignVCenter);
    const int unit = (list_->width() - 3) / 7;
    for (int column = 0; column < DeviceListColumnCount; ++column)
        list_->setColumnWidth(column, unit + kColumns[static_cast<size_t>(column)].widthOffset);
    // Grid lines, movable columns, the whole row selected.
    list_->setItemDelegate(new GridLineDelegate(list_));
    list_->header()->setSectionsMovable(true);
    list_->setSelectionBehavior(QAbstractItemView::SelectRows);
    list_->setSelectionMode(QAbstractItemView::SingleSelection);
    list_->setAllColumnsShowFocus(true);
}

void DeviceSearchDialog::FillAdapterCombo() {
    // Filling must not count as the operator's choice.
    QSignalBlocker quiet(combo_);
    selectedAdapter_ = -1;
    combo_->clear();
    combo_->setEnabled(false);
    adapterRows_.clear();
    NetworkAdapterEnumerator(adapters_).ListAdapters(adapterRows_);
    for (size_t i = 0; i < adapterRows_.size(); ++i) combo_->insertItem(static_cast<int>(i), Q(adapterRows_[i].description));
    if (adapterRows_.empty()) return;
    combo_->setCurrentIndex(0);
    selectedAdapter_ = 0;
    adapterAddress_ = adapterRows_[0].address;
    combo_->setEnabled(adapterRows_.size() >= 2);
}

void DeviceSearchDialog::OnAdapterSelChange(int position) {
    if (position < 0 || static_cast<size_t>(position) >= adapterRows_.size() || position == selectedAdapter_) return;
    selectedAdapter_ = position;
    adapterAddress_ = adapterRows_[static_cast<size_t>(position)].address;
}

void DeviceSearchDialog::RunSearch() {
    list_->clear();
    QApplication::setOverrideCursor(Qt::WaitCursor);
    SearchResult result = RunDeviceSearch(library_, adapterAddress_);
    QApplication::restoreOverrideCursor();
    if (result.outcome != SearchOutcome::kDevicesFound) {
        Prompts::Current().Message(this, OperatorConsoleDialog::ApplicationName(), SearchOutcomeMessage(result.outcome));
        return;
    }
    for (size_t i = 0; i < result.rows.size(); ++i) {
        auto* item = new QTreeWidgetItem(list_, CellTexts(result.rows[i]));
        item->setData(0, Qt::UserRole, static_cast<int>(i));
    }
}

void DeviceSearchDialog::OnDeviceListDoubleClick() {
    // Only a device the operator has marked is handed over: closing with empty
    // texts would wipe the console's address and web port for nothing.
    QTreeWidgetItem* marked = list_->currentItem();
    if (marked == nullptr || !marked->isSelected()) return;
    chosenAddress_ = marked->text(ColumnAddress);
    chosenWebPort_ = marked->text(ColumnWebPort);
    done(QDialog::Accepted);
}

void DeviceSearchDialog::accept() { RunSearch(); }

void DeviceSearchDialog::reject() {
    library_.Close();
    QDialog::reject();
}

void DeviceSearchDialog::keyPressEvent(QKeyEvent* event) {
    if (event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter) {
        event->accept();
        accept();
        return;
    }
    QDialog::keyPressEvent(event);
}

bool DeviceSearchDialog::eventFilter(QObject* watched, QEvent* event) {
    if (watched == list_->viewport() && event->type() == QEvent::MouseButtonDblClick) OnDeviceListDoubleClick();
    return QDialog::eventFilter(watched, event);
}

} // namespace tarnwell
