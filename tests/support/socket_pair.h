#pragma once
// Two connected TCP sockets on 127.0.0.1, for tests that play both ends of a
// command channel without a device. Works wherever TCP does, unlike socketpair.
#include "platform/tcp_socket.h"

namespace tarnwell::test {

// Connects `first` to `second`; false when loopback TCP is not available.
bool ConnectSocketPair(TcpSocket& first, TcpSocket& second);

} // namespace tarnwell::test
