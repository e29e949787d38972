#pragma once
// Where the web view listens, and what counts as this machine only.
#include "journal/journal.h"

#include <optional>
#include <string>

namespace tarnwell::dashboard {

struct ListenAddress {
    std::string host; // "127.0.0.1", "::1", "0.0.0.0", "localhost", a line address
    int port = 0;
};

// "HOST:PORT", "[IPv6]:PORT"; a port of 0 to 65535 (0: any free one).
std::optional<ListenAddress> ParseListenAddress(const std::string& text);

// 127.0.0.0/8, ::1 and "localhost": reachable from this machine only.
bool IsLoopbackHost(const std::string& host);

// The host part of a Host header ("127.0.0.1:8088", "[::1]:8088", "localhost").
std::string HostOfHeader(const std::string& header);

// "FIRST-LAST", two MAC addresses, FIRST not after LAST.
std::optional<MacPool> ParseMacPool(const std::string& text);

} // namespace tarnwell::dashboard
