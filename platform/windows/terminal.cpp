#include "platform/terminal.h"

#include <io.h>
#include <windows.h>

namespace tarnwell {

namespace {

HANDLE ConsoleOf(std::FILE* stream) { return reinterpret_cast<HANDLE>(::_get_osfhandle(::_fileno(stream))); }

// The part of the console's buffer the window shows.
bool VisibleWindow(std::FILE* stream, SMALL_RECT& window) {
    CONSOLE_SCREEN_BUFFER_INFO info{};
    if (!::GetConsoleScreenBufferInfo(ConsoleOf(stream), &info)) return false;
    window = info.srWindow;
    return true;
}

} // namespace

bool IsTerminal(std::FILE* stream) {
    // _isatty also says yes for the NUL device; a console has a console mode.
    DWORD mode = 0;
    return ::_isatty(::_fileno(stream)) != 0 && ::GetConsoleMode(ConsoleOf(stream), &mode) != 0;
}

bool PrepareCursorTerminal(std::FILE* stream) {
    if (!IsTerminal(stream)) return false;
    DWORD mode = 0;
    HANDLE console = ConsoleOf(stream);
    if (!::GetConsoleMode(console, &mode)) return false;
    constexpr DWORD kVirtualTerminal = 0x0004; // ENABLE_VIRTUAL_TERMINAL_PROCESSING
    return (mode & kVirtualTerminal) != 0 || ::SetConsoleMode(console, mode | kVirtualTerminal) != 0;
}

int TerminalColumns(std::FILE* stream) {
    SMALL_RECT window{};
    const int columns = VisibleWindow(stream, window) ? window.Right - window.Left + 1 : 0;
    return columns > 0 ? columns : 80;
}

int TerminalRows(std::FILE* stream) {
    SMALL_RECT window{};
    const int rows = VisibleWindow(stream, window) ? window.Bottom - window.Top + 1 : 0;
    return rows > 0 ? rows : 24;
}

} // namespace tarnwell
