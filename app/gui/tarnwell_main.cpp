// The operator console. It takes no command-line arguments beyond --help.
#include "app/console_help.h"
#include "app/gui/console_app.h"
#include "app/gui/qsettings_store.h"
#include "platform/gui/x11_window_lookup.h"

#include <QApplication>
#include <cstdio>

int main(int argc, char** argv) {
    if (tarnwell::IsConsoleHelpRequest(argc, argv)) {
        std::fputs(tarnwell::kConsoleHelp, stdout);
        return 0;
    }
    QApplication application(argc, argv);
    tarnwell::X11WindowLookup windows;
    tarnwell::QSettingsStore settings;
    tarnwell::ConsoleApp console(windows, settings);
    console.InitInstance();
    return 0;
}
