#pragma once
// Waiting for several sockets at once (poll / select).
#include "platform/socket_handle.h"

#include <cstddef>

namespace tarnwell {

struct SocketWait {
    SocketHandle handle = kInvalidSocket;  // kInvalidSocket entries are skipped
    bool forReading = true;
    bool forWriting = false;
    // Set by WaitForSockets: the socket is ready for what was asked, has an
    // error or was closed by the peer.
    bool ready = false;
};

// Waits until one of `entries` is ready or `limit` passes (a negative limit
// waits for ever). The number of ready entries; 0 on time-out, -1 on error.
// An interruption by a signal goes on waiting for the remaining time.
int WaitForSockets(SocketWait* entries, size_t count, Milliseconds limit);

// One socket: true when it became ready in time.
bool WaitForSocket(SocketHandle handle, bool forWriting, Milliseconds limit);

} // namespace tarnwell
