#include "app/gui/localisable_built_dialog.h"

#include "app/gui/ipv4_address_edit.h"

#include <QAbstractButton>
#include <QDialog>
#include <QLabel>
#include <QLineEdit>

namespace tarnwell {

void LocalisableBuiltDialog::SetCaption(const std::string& text) { dialog_.setWindowTitle(QString::fromStdString(text)); }

std::vector<LocalisableDialog::Child> LocalisableBuiltDialog::ChildrenInZOrder() const {
    std::vector<Child> children;
    for (const auto& [id, widget] : built_.zOrder) {
        bool isEdit = qobject_cast<QLineEdit*>(widget) != nullptr || qobject_cast<Ipv4AddressEdit*>(widget) != nullptr;
        children.push_back({id, isEdit});
    }
    return children;
}

void LocalisableBuiltDialog::SetChildText(size_t index, const std::string& text) {
    QWidget* widget = built_.zOrder.at(index).second;
    if (auto* button = qobject_cast<QAbstractButton*>(widget)) button->setText(QString::fromStdString(text));
    else if (auto* label = qobject_cast<QLabel*>(widget)) label->setText(QString::fromStdString(text));
}

} // namespace tarnwell
