#include "platform/terminal.h"

#include <sys/ioctl.h>
#include <unistd.h>

namespace tarnwell {

bool IsTerminal(std::FILE* stream) { return ::isatty(::fileno(stream)) != 0; }

bool PrepareCursorTerminal(std::FILE* stream) { return IsTerminal(stream); }

int TerminalColumns(std::FILE* stream) {
    winsize size{};
    if (::ioctl(::fileno(stream), TIOCGWINSZ, &size) == 0 && size.ws_col > 0) return size.ws_col;
    return 80;
}

int TerminalRows(std::FILE* stream) {
    winsize size{};
    if (::ioctl(::fileno(stream), TIOCGWINSZ, &size) == 0 && size.ws_row > 0) return size.ws_row;
    return 24;
}

} // namespace tarnwell
