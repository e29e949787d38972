#pragma once
// The small HTTP client that talks to a device's web CGI: a connect with a time
// limit, one fixed GET request, and the reply read until it is whole.
#include <cstddef>
#include <string>

#include "platform/tcp_socket.h"
#include "protocol/channel_limits.h"

namespace tarnwell {

// One buffer holds the request and afterwards the reply.
inline constexpr size_t kHttpBufferSize = 2048;


// Connects to `address` (dotted decimal) on `port`, giving up after limits.connect.
// Returns the socket in blocking mode, or an invalid socket after printing
// "Connect Fail!\n" on standard output. Ports outside 1..65535 never connect.
TcpSocket ConnectWithTimeout(const std::string& address, int port, const HttpLimits& limits = {});

// Sends every byte, waiting up to limits.sendWait for room before each send;
// would-block and interrupted sends are retried. 0 when all went out, else -1.
int SendAllWithTimeout(TcpSocket& socket, const char* data, size_t length, const HttpLimits& limits = {});

// The exact request bytes for `host` (the address alone, no port) and `path`.
std::string BuildHttpGetRequest(const std::string& host, const std::string& path);

// Builds the request in the zero-filled buffer, sends it, then receives into
// the zero-filled buffer until the device closes, the buffer is full, the
// reply is complete by its Content-Length or limits.replyWait has passed.
// 0 when the reply holds "ok" and its status line is no HTTP error, else -1. A request that
// would not fit the buffer with a terminating zero is not sent (-1).
// The socket stays open. Failures are noted on the debug channel.
int HttpGet(TcpSocket& socket, const std::string& host, const std::string& path, char* buffer,
            size_t length, const HttpLimits& limits = {});

} // namespace tarnwell
