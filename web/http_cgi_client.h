#pragma once
// The small HTTP client that talks to a device's web CGI: a connect with a time
// limit, one fixed GET request, one read of the reply.
#include <cstddef>
#include <string>

#include "platform/tcp_socket.h"

namespace tarnwell {

// One buffer holds the request and afterwards the reply.
inline constexpr size_t kHttpBufferSize = 2048;

// How long each step may block the console. Tests of a silent device shorten them.
struct HttpLimits {
    Milliseconds connect{5000};
    Milliseconds sendWait{5000};  // before each send
    Milliseconds replyWait{5000};
    // Where the bytes sent to the web server are counted; none when null.
    std::atomic<uint64_t>* sentCounter = nullptr;
};

// Connects to `address` (dotted decimal) on `port`, giving up after limits.connect.
// Returns the socket in blocking mode, or an invalid socket after printing
// "Connect Fail!\n" on standard output. Ports outside 1..65535 never connect.
TcpSocket ConnectWithTimeout(const std::string& address, int port, const HttpLimits& limits = {});

// Sends every byte, waiting up to limits.sendWait for room before each send;
// would-block and interrupted sends are retried. 0 when all went out, else -1.
int SendAllWithTimeout(TcpSocket& socket, const char* data, size_t length, const HttpLimits& limits = {});

// The exact request bytes for `host` (the address alone, no port) and `path`.
std::string BuildHttpGetRequest(const std::string& host, const std::string& path);

// Builds the request in the zero-filled buffer, sends it, waits up to
// limits.replyWait for the reply, receives once into the zero-filled buffer and
// looks for "ok" in the bytes received. 0 when found, else -1. A request that
// would not fit the buffer with a terminating zero is not sent (-1).
// The socket stays open. Failures are noted on the debug channel.
int HttpGet(TcpSocket& socket, const std::string& host, const std::string& path, char* buffer,
            size_t length, const HttpLimits& limits = {});

} // namespace tarnwell
