#pragma once
// Time limits of the command channel. A device that accepts a connection and
// then stays silent must not freeze the console for ever.
#include "platform/tcp_socket.h"

namespace tarnwell {

struct ChannelLimits {
    Milliseconds connect = kDefaultConnectLimit;
    // Waiting for a reply, and for the device to take sent bytes.
    Milliseconds reply{30000};
    // The device writes a firmware member to flash before it answers.
    Milliseconds replyAfterFirmwareData{300000};
};

} // namespace tarnwell
