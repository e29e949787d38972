#include "app/console_help.h"

#include <cstring>

namespace tarnwell {

const char kConsoleHelp[] =
    "Usage: tarnwell [--help]\n"
    "The operator console: prepares one networked video device on a factory line.\n"
    "It upgrades the firmware from a tar package, sets the UI language, MAC address,\n"
    "video standard, clock and serial number, grabs a snapshot, replaces the boot\n"
    "logo and finds devices on a local network adapter. Messages are shown in\n"
    "Simplified Chinese.\n"
    "\n"
    "Options:\n"
    "  -h, --help     show this help and exit\n"
    "\n"
    "Qt's own options, such as -platform offscreen, are accepted as well.\n"
    "\n"
    "Files:\n"
    "Settings (device address, MAC text, command port) are kept in\n"
    "$XDG_CONFIG_HOME/Orvel Software/Velmora.conf, work files such as logo.cramfs\n"
    "in $XDG_DATA_HOME/Tarnwell/work (mode 0700). The device-search library\n"
    "libtarnwell_devsearch.so is loaded from the program's folder or from the\n"
    "package's private library folder; without it every search fails.\n";

bool IsConsoleHelpRequest(int argc, const char* const argv[]) {
    return argc == 2 && argv[1] != nullptr && (std::strcmp(argv[1], "--help") == 0 || std::strcmp(argv[1], "-h") == 0);
}

} // namespace tarnwell
