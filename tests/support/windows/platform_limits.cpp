#include "support/platform_limits.h"

namespace tarnwell::test {

PlatformLimit NoPosixTools() {
    return {true, "a Windows program cannot start POSIX tools such as GNU tar or fsck.cramfs"};
}

PlatformLimit NoLoopbackAdapter() { return {true, "GetAdaptersInfo lists no loopback adapter"}; }

} // namespace tarnwell::test
