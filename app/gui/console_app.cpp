#include "app/gui/console_app.h"

#include "app/gui/operator_console_dialog.h"
#include "net/device_search_library.h"

#include <QLoggingCategory>

namespace tarnwell {
namespace {

// Warnings by default; QT_LOGGING_RULES="tarnwell.search.info=true" also says
// where the library was found (the package check relies on that line).
Q_LOGGING_CATEGORY(searchLog, "tarnwell.search", QtWarningMsg)

void ReportSearchLibrary(const std::string& path, const DeviceSearchLibrary& library) {
    if (library.IsLoaded())
        qCInfo(searchLog, "device-search library loaded from %s", path.c_str());
    else
        qCWarning(searchLog, "device-search library not loaded, every search will fail: %s",
                  library.LoadError().c_str());
}

} // namespace

bool ConsoleApp::InitInstance() {
    showedConsole_ = false;
    if (!CheckSingleInstance()) return false;
    // The device-search library is loaded once, at start; without it every search fails.
    const std::string libraryPath = DefaultDeviceSearchLibraryPath();
    DeviceSearchLibrary searchLibrary(libraryPath);
    ReportSearchLibrary(libraryPath, searchLibrary);
    OperatorConsoleDialog console(settings_, &searchLibrary);
    showedConsole_ = true;
    console.exec();
    return false;
}

} // namespace tarnwell
