#include "support/platform_limits.h"

namespace tarnwell::test {

PlatformLimit NoPosixTools() { return {}; }

PlatformLimit NoLoopbackAdapter() { return {}; }

} // namespace tarnwell::test
