#include "support/platform_limits.h"

namespace tarnwell::test {

PlatformLimit NoPosixTools() {
    return {true, "a Windows program cannot start POSIX tools such as GNU tar or fsck.cramfs"};
}

PlatformLimit NoLoopbackAdapter() { return {true, "GetAdaptersInfo lists no loopback adapter"}; }

PlatformLimit NoAbortiveCloseEvidence() {
    return {true, "Winsock does not tell which sent bytes the peer acknowledged, and under Wine a peer's close "
                  "on unread bytes reads as an orderly close"};
}

} // namespace tarnwell::test
