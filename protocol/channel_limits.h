#pragma once
// Every limit the console puts on a device, in one place. A device that
// accepts a connection and then stays silent must not freeze the console for
// ever; a device that erases flash before it answers must not be given up on.
#include "platform/tcp_socket.h"

#include <atomic>
#include <cstdint>

namespace tarnwell {

struct ChannelLimits {
    Milliseconds connect = kDefaultConnectLimit;
    // On the window's thread: waiting for a reply, and for the device to take
    // sent bytes. The window does not respond meanwhile, so this stays short.
    Milliseconds reply{30000};
    // On the firmware worker, every wait on the device: it may be erasing or
    // writing flash before it answers or reads on.
    Milliseconds worker{300000};
    // A command the device does not answer counts as delivered only when the
    // device closes its side after taking every byte; this long it may take.
    Milliseconds closeWait{1500};
};

// The serial setting's web CGI exchange, on the window's thread.
struct HttpLimits {
    Milliseconds connect{5000};
    Milliseconds sendWait{5000};  // before each send
    Milliseconds replyWait{5000}; // for the whole reply, from the request's end
    // Where the bytes sent to the web server are counted; none when null.
    std::atomic<uint64_t>* sentCounter = nullptr;
};

// Real snapshots are a few MiB at most; a larger announcement is a broken or
// hostile device, refused before a file is created.
inline constexpr int32_t kMaxCaptureLength = 64 * 1024 * 1024;

} // namespace tarnwell
