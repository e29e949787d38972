#pragma once
// One reply of the device: at most 128 bytes, kept in a zero-filled buffer
// one byte longer so the text always ends.
#include <array>
#include <cstdint>
#include <string>

namespace tarnwell {

inline constexpr size_t kDeviceReplyMax = 128;

enum ReplyKind : uint8_t {
    ReplyNothing16 = 16,
    ReplyQueryAnswer = 180,
    ReplyAccepted186 = 186,
    ReplyHandshake = 215,
    ReplyFirstFile = 216,
    ReplyCapture = 218,
    ReplyUpdateFailed = 240,
};

// Kinds the decoding ignores by name: a device may send them beside its verdict.
inline bool IsNoEffectKind(uint8_t kind) { return kind == ReplyNothing16 || kind == 177 || kind == 209; }

struct DeviceReply {
    std::array<uint8_t, kDeviceReplyMax + 1> bytes{};
    long received = 0; // bytes of the reply; <= 0 means no reply came (what the first receive returned)

    bool Arrived() const { return received > 0; }
    uint8_t Kind() const { return bytes[0]; }
    uint32_t Value() const; // bytes 4-7, little-endian
    uint8_t Flag() const { return bytes[8]; }
    std::string Text() const; // from byte 32 up to its NUL, never past the buffer
};

// A reply built from raw bytes (at most 128 are kept), for tests and the simulator.
DeviceReply MakeDeviceReply(const uint8_t* data, size_t length);

} // namespace tarnwell
