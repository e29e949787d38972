#pragma once
// The console's command line. The console itself takes no arguments; --help
// is answered before Qt starts, so it works without a display (and feeds the
// manual page).

namespace tarnwell {

extern const char kConsoleHelp[];

// True when the only argument is --help or -h.
bool IsConsoleHelpRequest(int argc, const char* const argv[]);

} // namespace tarnwell
