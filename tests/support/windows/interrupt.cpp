#include "support/interrupt.h"

#include <windows.h>

namespace tarnwell::test {

namespace {

// A Ctrl-C event reaches every process of a console, and test programs that
// run side by side may share one: this process moves to a console of its own,
// once (freeing that console again hangs under Wine). Its standard handles
// stay where they were (ctest's pipes).
bool MoveToOwnConsole() {
    const HANDLE input = ::GetStdHandle(STD_INPUT_HANDLE);
    const HANDLE output = ::GetStdHandle(STD_OUTPUT_HANDLE);
    const HANDLE error = ::GetStdHandle(STD_ERROR_HANDLE);
    ::FreeConsole();
    const bool allocated = ::AllocConsole() != 0;
    ::SetStdHandle(STD_INPUT_HANDLE, input);
    ::SetStdHandle(STD_OUTPUT_HANDLE, output);
    ::SetStdHandle(STD_ERROR_HANDLE, error);
    return allocated;
}

} // namespace

bool InterruptThisProcess() {
    static const bool ownConsole = MoveToOwnConsole();
    return ownConsole && ::GenerateConsoleCtrlEvent(CTRL_C_EVENT, 0) != 0;
}

} // namespace tarnwell::test
