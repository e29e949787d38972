#include "support/interrupt.h"

#include <csignal>

namespace tarnwell::test {

bool InterruptThisProcess() { return std::raise(SIGINT) == 0; }

} // namespace tarnwell::test
