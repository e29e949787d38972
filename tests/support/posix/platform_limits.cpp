#include "support/platform_limits.h"

namespace tarnwell::test {

PlatformLimit NoPosixTools() { return {}; }

PlatformLimit NoLoopbackAdapter() { return {}; }

PlatformLimit NoAbortiveCloseEvidence() { return {}; }

} // namespace tarnwell::test
