#include "protocol/timed_send.h"

#include "platform/tcp_socket.h"

#include <cstdint>

namespace tarnwell {

bool SendBefore(TcpSocket& connection, const void* data, size_t length, const Deadline& deadline) {
    const auto* cursor = static_cast<const uint8_t*>(data);
    while (length > 0) {
        if (deadline.Passed()) return false;
        if (deadline.Bounded()) connection.SetSendLimit(deadline.Left());
        ssize_t sent = connection.SendSome(cursor, length);
        if (sent <= 0) return false;
        cursor += sent;
        length -= static_cast<size_t>(sent);
    }
    return true;
}

} // namespace tarnwell
