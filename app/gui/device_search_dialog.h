#pragma once
// The device search dialog (template 130): the operator picks a local adapter,
// the device-search library lists the devices it finds from that adapter, and a
// double-click on one hands its address and web port back to the caller.
//
// Opening (the constructor) opens the library, lists the adapters, chooses the
// first and searches once. The Search button and Enter search again and never
// close the dialog; a double-click on a device closes it with Accepted; Cancel,
// Escape and the close box close the library, then close with Rejected.
#include "app/gui/dialog_builder.h"
#include "app/ui_translator.h"
#include "net/adapter_row.h"
#include "platform/network_adapters.h"

#include <QDialog>
#include <QString>
#include <vector>

class QComboBox;
class QTreeWidget;

namespace tarnwell {

class DeviceSearchLibrary;

enum DeviceSearchControlId {
    IdSearchAdapterLabel = 1050,
    IdSearchAdapterCombo = 1051,
    IdSearchDeviceList = 1040,
    IdSearchButton = 1041,
    IdSearchCancel = 2,
};

enum DeviceListColumn {
    ColumnAddress, ColumnMac, ColumnGateway, ColumnWebPort, ColumnDataPort, ColumnMobilePort, ColumnDeviceType,
    DeviceListColumnCount,
};

class DeviceSearchDialog : public QDialog {
    Q_OBJECT
public:
    // `library` and `adapters` must outlive the dialog.
    explicit DeviceSearchDialog(DeviceSearchLibrary& library, AdapterSource& adapters = SystemAdapterSource(),
                                QWidget* parent = nullptr);

    QWidget* Control(int id) const;
    QComboBox* AdapterCombo() const { return combo_; }
    QTreeWidget* DeviceList() const { return list_; }

    // Set by a double-click on a device; empty until then.
    const QString& ChosenAddress() const { return chosenAddress_; }
    const QString& ChosenWebPort() const { return chosenWebPort_; }
    // The local address the next search starts from.
    const std::string& AdapterAddress() const { return adapterAddress_; }
    int SelectedAdapterIndex() const { return selectedAdapter_; }

    // Enumerates the adapters into the combo box and chooses the first.
    void FillAdapterCombo();
    // One search from the adapter address; the list shows its devices only.
    void RunSearch();


public slots:
    // The OK command (Enter): searches, does not close.
    void accept() override;
    // Cancel, Escape and the close box.
    void reject() override;

protected:
    void keyPressEvent(QKeyEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void OnInitDialog();
    void InsertDeviceColumns();
    void OnAdapterSelChange(int position);
    void OnDeviceListDoubleClick();

    DeviceSearchLibrary& library_;
    AdapterSource& adapters_;
    BuiltDialog built_;
    QComboBox* combo_ = nullptr;
    QTreeWidget* list_ = nullptr;

    std::string adapterAddress_;
    std::vector<AdapterRow> adapterRows_;
    int selectedAdapter_ = -1;
    QString chosenWebPort_;
    QString chosenAddress_;
};

} // namespace tarnwell
