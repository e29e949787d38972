#include "protocol/device_reply.h"

#include "platform/tcp_socket.h"
#include "protocol/channel_limits.h"

#include <algorithm>
#include <chrono>
#include <cstring>

namespace tarnwell {

uint32_t DeviceReply::Value() const {
    return static_cast<uint32_t>(bytes[4]) | static_cast<uint32_t>(bytes[5]) << 8 |
           static_cast<uint32_t>(bytes[6]) << 16 | static_cast<uint32_t>(bytes[7]) << 24;
}

std::string DeviceReply::Text() const {
    const char* start = reinterpret_cast<const char*>(bytes.data()) + 32;
    // The spare last byte is always zero, so this stops inside the buffer.
    return std::string(start, ::strnlen(start, bytes.size() - 32));
}

namespace {

// Kind, value and flag: all a reply other than a query answer carries.
constexpr size_t kMeaningfulBytes = 9;

// How many of the bytes waiting may still belong to the reply; 0 when none.
size_t ReplyShare(TcpSocket& connection, size_t have, size_t room, AfterReply after) {
    if (after == AfterReply::Nothing) return room;
    std::array<uint8_t, kDeviceReplyMax> waiting{};
    ssize_t peeked = connection.PeekSome(waiting.data(), room);
    if (peeked <= 0) return room; // let the receive report the close or the error
    size_t share = have < kMeaningfulBytes ? kMeaningfulBytes - have : 0;
    while (share < static_cast<size_t>(peeked) && waiting[share] == 0) ++share;
    return share;
}

} // namespace

DeviceReply ReceiveDeviceReply(TcpSocket& connection, AfterReply after) {
    DeviceReply reply;
    const auto start = std::chrono::steady_clock::now();
    ssize_t got = connection.ReceiveSome(reply.bytes.data(), kDeviceReplyMax);
    if (got <= 0) {
        reply.bytes.fill(0);
        reply.received = static_cast<long>(got);
        return reply;
    }
    size_t have = static_cast<size_t>(got);
    const Milliseconds limit = connection.ReceiveLimit();
    while (have < kDeviceReplyMax) {
        Milliseconds wait = kReplyQuietGap;
        if (limit.count() > 0) {
            auto left = limit - std::chrono::duration_cast<Milliseconds>(std::chrono::steady_clock::now() - start);
            if (left.count() <= 0) break;
            wait = std::min(wait, left);
        }
        if (!connection.WaitReadable(wait)) break;
        size_t share = ReplyShare(connection, have, kDeviceReplyMax - have, after);
        if (share == 0) break;
        ssize_t more = connection.ReceiveSome(reply.bytes.data() + have, share);
        if (more <= 0) break; // closed or failed: what arrived is the reply
        have += static_cast<size_t>(more);
    }
    reply.received = static_cast<long>(have);
    return reply;
}

DeviceReply MakeDeviceReply(const uint8_t* data, size_t length) {
    DeviceReply reply;
    length = std::min(length, kDeviceReplyMax);
    if (length > 0) std::memcpy(reply.bytes.data(), data, length);
    reply.received = static_cast<long>(length);
    return reply;
}

} // namespace tarnwell
