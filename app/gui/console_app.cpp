#include "app/gui/console_app.h"

#include "app/gui/operator_console_dialog.h"

namespace tarnwell {

bool ConsoleApp::InitInstance() {
    showedConsole_ = false;
    if (!CheckSingleInstance()) return false;
    OperatorConsoleDialog console(settings_);
    showedConsole_ = true;
    console.exec();
    return false;
}

} // namespace tarnwell
