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

// Closes a handle; kInvalidSocket is ignored.
void CloseSocketHandle(SocketHandle handle);

} // namespace tarnwell
