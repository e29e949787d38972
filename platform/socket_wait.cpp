#include "platform/socket_wait.h"

namespace tarnwell {

bool WaitForSocket(SocketHandle handle, bool forWriting, Milliseconds limit) {
    SocketWait entry{handle, !forWriting, forWriting};
    return WaitForSockets(&entry, 1, limit) == 1;
}

} // namespace tarnwell
