#include "support/interrupt.h"

#include <windows.h>

namespace tarnwell::test {

// Group 0 is every process sharing this console; the runner's handler takes it.
bool InterruptThisProcess() { return ::GenerateConsoleCtrlEvent(CTRL_C_EVENT, 0) != 0; }

} // namespace tarnwell::test
