// The operator console. It takes no command-line arguments.
#include "app/gui/console_app.h"
#include "app/gui/qsettings_store.h"
#include "platform/gui/x11_window_lookup.h"

#include <QApplication>

int main(int argc, char** argv) {
    QApplication application(argc, argv);
    tarnwell::X11WindowLookup windows;
    tarnwell::QSettingsStore settings;
    tarnwell::ConsoleApp console(windows, settings);
    console.InitInstance();
    return 0;
}
