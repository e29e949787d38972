#pragma once
// A socket as the platform hands it out: a descriptor on POSIX, a SOCKET on
// Windows. Wide enough for either, so nothing is cut on the way.
#include <chrono>
#include <cstdint>

namespace tarnwell {

using SocketHandle = std::intptr_t;
inline constexpr SocketHandle kInvalidSocket = -1;

using Milliseconds = std::chrono::milliseconds;

// Starts the platform's socket layer once per process (Windows Sockets 2.2);
// nothing to do elsewhere. Every socket this program creates calls it first;
// false when the layer cannot be started, and then no socket can be created.
bool StartSockets();

// The platform's last socket error (errno or WSAGetLastError).
int LastSocketError();

// What the last failed socket call of this thread met, in the platform's own
// codes: EAGAIN / EWOULDBLOCK on POSIX, WSAETIMEDOUT / WSAEWOULDBLOCK on Windows.
enum class SocketFailure {
    TimedOut,     // a receive or send limit passed, or a non-blocking socket was not ready
    Interrupted,  // a signal came first; the call may simply be made again
    Other,
};
SocketFailure LastSocketFailure();

// Closes a handle; kInvalidSocket is ignored.
void CloseSocketHandle(SocketHandle handle);

} // namespace tarnwell
