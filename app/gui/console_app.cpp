#include "app/gui/console_app.h"

#include "app/gui/operator_console_dialog.h"
#include "net/device_search_library.h"

namespace tarnwell {

bool ConsoleApp::InitInstance() {
    showedConsole_ = false;
    if (!CheckSingleInstance()) return false;
    // The device-search library is loaded once, at start; without it every search fails.
    DeviceSearchLibrary searchLibrary(DefaultDeviceSearchLibraryPath());
    OperatorConsoleDialog console(settings_, &searchLibrary);
    showedConsole_ = true;
    console.exec();
    return false;
}

} // namespace tarnwell
