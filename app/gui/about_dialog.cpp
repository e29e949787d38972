#include "app/gui/about_dialog.h"

#include "app/gui/console_icon.h"

#include <QPushButton>

namespace tarnwell {

AboutDialog::AboutDialog(QWidget* parent) : QDialog(parent) {
    setWindowIcon(ConsoleIcon());
    built_ = BuildDialog(*this, BuiltInDialogTemplate(100));
    // The OK button closes the box as its cancel command does.
    if (auto* ok = qobject_cast<QPushButton*>(built_.controls.at(1)))
        connect(ok, &QPushButton::clicked, this, &QDialog::accept);
}

} // namespace tarnwell
