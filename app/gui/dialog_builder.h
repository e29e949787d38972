#pragma once
// Turns a dialog template into widgets: every control is placed at its
// position in dialog units, converted with the dialog font's base units, and
// carries its control id as objectName and its label as accessible name.
#include "app/dialog_template.h"

#include <QFont>
#include <QPoint>
#include <QSize>
#include <map>
#include <vector>

class QDialog;
class QWidget;

namespace tarnwell {

// Dialog base units of a font: average character width and height in pixels.
struct DialogBaseUnits {
    int x = 6;
    int y = 12;

    static DialogBaseUnits Of(const QFont& font);
    int ToPixelsX(int units) const { return units * x / 4; }
    int ToPixelsY(int units) const { return units * y / 8; }
};

struct BuiltDialog {
    std::map<int, QWidget*> controls;           // by control id (statics without an id are left out)
    std::vector<std::pair<int, QWidget*>> zOrder; // every control, in template order
    DialogBaseUnits units;
};

QFont DialogFont(const DialogTemplate& dialogTemplate);
// Sets the dialog's font, caption and fixed size, then creates the controls.
BuiltDialog BuildDialog(QDialog& dialog, const DialogTemplate& dialogTemplate);

} // namespace tarnwell
