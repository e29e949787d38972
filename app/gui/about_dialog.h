#pragma once
// The about box (dialog 100): the icon, "Tarnwell 1.0 版" and an OK button.
#include "app/gui/dialog_builder.h"

#include <QDialog>

namespace tarnwell {

class AboutDialog : public QDialog {
    Q_OBJECT
public:
    explicit AboutDialog(QWidget* parent = nullptr);

private:
    BuiltDialog built_;
};

} // namespace tarnwell
