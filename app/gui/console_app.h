#pragma once
// The application object: refuses to start beside the single-instance window,
// otherwise runs the operator console until it ends.
#include "platform/window_lookup.h"

namespace tarnwell {

class SettingsStore;

class ConsoleApp {
public:
    ConsoleApp(WindowLookup& windows, SettingsStore& settings) : windows_(windows), settings_(settings) {}

    // Runs the console modally. Returns false in every case: the program ends
    // when it returns (there is no application loop beyond the console's).
    bool InitInstance();
    // True when the program may go on; false after raising the other window.
    bool CheckSingleInstance() { return tarnwell::CheckSingleInstance(windows_); }

    // Whether the last InitInstance showed a console (for tests).
    bool ShowedConsole() const { return showedConsole_; }

private:
    WindowLookup& windows_;
    SettingsStore& settings_;
    bool showedConsole_ = false;
};

} // namespace tarnwell
