#include "app/gui/dialog_builder.h"

#include "app/gui/ipv4_address_edit.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDateEdit>
#include <QDialog>
#include <QFontMetrics>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QStyle>
#include <QTimeEdit>
#include <QTreeWidget>

namespace tarnwell {

namespace {

constexpr int kComboFieldHeight = 13; // dialog units; the template height is the drop-down's

QWidget* CreateControl(const ControlTemplate& control, QWidget* parent) {
    const QString text = QString::fromStdString(control.text);
    switch (control.kind) {
    case ControlKind::Static:
        return new QLabel(text, parent);
    case ControlKind::Icon: {
        auto* label = new QLabel(parent);
        label->setPixmap(parent->windowIcon().pixmap(32, 32));
        return label;
    }
    case ControlKind::PushButton:
    case ControlKind::DefPushButton: {
        auto* button = new QPushButton(text, parent);
        // Enter on a focused button presses that button, as in every desktop
        // dialog; elsewhere it presses the default one.
        button->setAutoDefault(true);
        button->setDefault(control.kind == ControlKind::DefPushButton);
        return button;
    }
    case ControlKind::CheckBox:
        return new QCheckBox(text, parent);
    case ControlKind::Edit:
        return new QLineEdit(text, parent);
    case ControlKind::Combo: {
        auto* combo = new QComboBox(parent);
        combo->setEditable(true);
        combo->setInsertPolicy(QComboBox::NoInsert);
        return combo;
    }
    case ControlKind::IpAddress:
        return new Ipv4AddressEdit(parent);
    case ControlKind::DatePicker: {
        auto* date = new QDateEdit(parent);
        date->setDisplayFormat(QLocale().dateFormat(QLocale::ShortFormat));
        date->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
        return date;
    }
    case ControlKind::TimePicker: {
        auto* time = new QTimeEdit(parent);
        time->setDisplayFormat("HH:mm:ss");
        time->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
        return time;
    }
    case ControlKind::Progress: {
        auto* bar = new QProgressBar(parent);
        bar->setRange(0, 100);
        bar->setValue(0);
        bar->setTextVisible(false);
        return bar;
    }
    case ControlKind::ListView: {
        auto* list = new QTreeWidget(parent);
        list->setRootIsDecorated(false);
        list->setFrameShape(QFrame::Box);
        return list;
    }
    }
    return new QWidget(parent);
}

} // namespace

DialogBaseUnits DialogBaseUnits::Of(const QFont& font) {
    QFontMetrics metrics(font);
    DialogBaseUnits units;
    // Average width of the 52 letters, rounded, as dialog templates measure it.
    int letters = metrics.horizontalAdvance("ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz");
    units.x = std::max(1, (letters / 26 + 1) / 2);
    units.y = std::max(1, metrics.height());
    return units;
}

QFont DialogFont(const DialogTemplate& dialogTemplate) {
    QFont font(QString::fromStdString(dialogTemplate.fontFamily));
    font.setPointSize(dialogTemplate.fontPoints);
    return font;
}

BuiltDialog BuildDialog(QDialog& dialog, const DialogTemplate& dialogTemplate) {
    BuiltDialog built;
    dialog.setFont(DialogFont(dialogTemplate));
    dialog.setWindowTitle(QString::fromStdString(dialogTemplate.caption));
    built.units = DialogBaseUnits::Of(dialog.font());
    dialog.setFixedSize(built.units.ToPixelsX(dialogTemplate.width), built.units.ToPixelsY(dialogTemplate.height));

    for (const ControlTemplate& control : dialogTemplate.controls) {
        QWidget* widget = CreateControl(control, &dialog);
        int height = control.kind == ControlKind::Combo ? std::min(control.height, kComboFieldHeight) : control.height;
        widget->setGeometry(built.units.ToPixelsX(control.x), built.units.ToPixelsY(control.y),
                            built.units.ToPixelsX(control.width), built.units.ToPixelsY(height));
        widget->setObjectName(QString::number(control.id));
        // A control with no name of its own is announced by its text, so the
        // name follows every relabelling and status change.
        if (!control.accessibleName.empty()) {
            const QString name = QString::fromStdString(control.accessibleName);
            widget->setAccessibleName(name);
            // The edit inside a combo box is what has the focus and is announced.
            if (auto* combo = qobject_cast<QComboBox*>(widget); combo != nullptr && combo->lineEdit() != nullptr)
                combo->lineEdit()->setAccessibleName(name);
        }
        widget->setEnabled(control.enabled);
        widget->setVisible(control.shown);
        built.zOrder.emplace_back(control.id, widget);
        if (control.id != -1) built.controls[control.id] = widget;
    }
    return built;
}

} // namespace tarnwell
