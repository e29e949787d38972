#include "app/gui/console_device_search.h"

#include "app/gui/operator_console_dialog.h"
#include "app/gui/device_search_dialog.h"

namespace tarnwell {

void SearchFromConsole(OperatorConsoleDialog& console, DeviceSearchLibrary& library, AdapterSource& adapters) {
    DeviceSearchDialog dialog(library, adapters, &console);
    if (dialog.exec() != QDialog::Accepted) return;
    console.SetAddressControlText(dialog.ChosenAddress().toStdString());
    console.SetControlText(IdWebPortEdit, dialog.ChosenWebPort().toStdString());
}

} // namespace tarnwell
