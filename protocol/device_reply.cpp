#include "protocol/device_reply.h"

#include <algorithm>
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

DeviceReply MakeDeviceReply(const uint8_t* data, size_t length) {
    DeviceReply reply;
    length = std::min(length, kDeviceReplyMax);
    if (length > 0) std::memcpy(reply.bytes.data(), data, length);
    reply.received = static_cast<long>(length);
    return reply;
}

} // namespace tarnwell
