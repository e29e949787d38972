#pragma once
// Discovery on the wire, shared by the device-search library, the device
// simulator and real devices.
//
// The searcher sends one probe by UDP to the broadcast address of the chosen
// adapter's subnet, port kDiscoveryPort (the environment variable
// TARNWELL_DEVSEARCH_PORT overrides it, so tests and simulators can keep to a
// port of their own). Every device answers with one datagram, unicast to the
// probe's source address and port. All integers are little-endian.
//
//   probe, 12 bytes:   "TWDQ" | u16 version = 1 | u16 0 | u32 search id
//   answer, 176 bytes: "TWDR" | u16 version = 1 | u16 0 | u32 search id (echoed)
//                      | 164-byte device record
//
// Device record, 164 bytes; texts are zero-terminated within their slot:
//   0   16  device IPv4 address, dotted decimal
//   16   4  data port (signed)
//   20   4  web port (signed)
//   24   4  mobile port (signed)
//   28  16  reserved, zero
//   44  16  gateway, dotted decimal
//   60  40  MAC address text
//   100 64  device type text
#include <array>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <string>

namespace tarnwell::devsearch {

inline constexpr uint16_t kDiscoveryPort = 41794;
inline constexpr const char* kPortVariable = "TARNWELL_DEVSEARCH_PORT";
inline constexpr uint16_t kProtocolVersion = 1;

inline constexpr size_t kRecordSize = 164;
inline constexpr size_t kAddressOffset = 0, kAddressLength = 16;
inline constexpr size_t kDataPortOffset = 16;
inline constexpr size_t kWebPortOffset = 20;
inline constexpr size_t kMobilePortOffset = 24;
inline constexpr size_t kGatewayOffset = 44, kGatewayLength = 16;
inline constexpr size_t kMacOffset = 60, kMacLength = 40;
inline constexpr size_t kDeviceTypeOffset = 100, kDeviceTypeLength = 64;

inline constexpr size_t kHeaderSize = 12;
inline constexpr size_t kProbeSize = kHeaderSize;
inline constexpr size_t kAnswerSize = kHeaderSize + kRecordSize;

using Record = std::array<uint8_t, kRecordSize>;

struct DeviceFields {
    std::string address;
    int32_t dataPort = 0;
    int32_t webPort = 0;
    int32_t mobilePort = 0;
    std::string gateway;
    std::string mac;
    std::string deviceType;
};

inline void PutLe32(uint8_t* at, uint32_t value) {
    for (int i = 0; i < 4; ++i) at[i] = static_cast<uint8_t>(value >> (8 * i));
}

inline uint32_t GetLe32(const uint8_t* at) {
    return at[0] | (uint32_t{at[1]} << 8) | (uint32_t{at[2]} << 16) | (uint32_t{at[3]} << 24);
}

// Texts longer than their slot are cut so that the terminating zero fits.
inline void PutText(uint8_t* slot, size_t length, const std::string& text) {
    std::memcpy(slot, text.data(), text.size() < length ? text.size() : length - 1);
}

inline Record EncodeRecord(const DeviceFields& device) {
    Record record{};
    PutText(record.data() + kAddressOffset, kAddressLength, device.address);
    PutLe32(record.data() + kDataPortOffset, static_cast<uint32_t>(device.dataPort));
    PutLe32(record.data() + kWebPortOffset, static_cast<uint32_t>(device.webPort));
    PutLe32(record.data() + kMobilePortOffset, static_cast<uint32_t>(device.mobilePort));
    PutText(record.data() + kGatewayOffset, kGatewayLength, device.gateway);
    PutText(record.data() + kMacOffset, kMacLength, device.mac);
    PutText(record.data() + kDeviceTypeOffset, kDeviceTypeLength, device.deviceType);
    return record;
}

namespace detail {
inline void PutHeader(uint8_t* at, const char* magic, uint32_t searchId) {
    std::memcpy(at, magic, 4);
    at[4] = kProtocolVersion & 0xff;
    at[5] = kProtocolVersion >> 8;
    at[6] = at[7] = 0;
    PutLe32(at + 8, searchId);
}

inline bool ReadHeader(const uint8_t* data, size_t size, const char* magic, uint32_t& searchId) {
    if (data == nullptr || size < kHeaderSize || std::memcmp(data, magic, 4) != 0) return false;
    if ((data[4] | (data[5] << 8)) != kProtocolVersion) return false;
    searchId = GetLe32(data + 8);
    return true;
}
} // namespace detail

inline std::array<uint8_t, kProbeSize> EncodeProbe(uint32_t searchId) {
    std::array<uint8_t, kProbeSize> probe{};
    detail::PutHeader(probe.data(), "TWDQ", searchId);
    return probe;
}

// Later versions may append to the probe; the header alone decides.
inline bool ParseProbe(const uint8_t* data, size_t size, uint32_t& searchId) {
    return detail::ReadHeader(data, size, "TWDQ", searchId);
}

inline std::array<uint8_t, kAnswerSize> EncodeAnswer(uint32_t searchId, const Record& record) {
    std::array<uint8_t, kAnswerSize> answer{};
    detail::PutHeader(answer.data(), "TWDR", searchId);
    std::memcpy(answer.data() + kHeaderSize, record.data(), kRecordSize);
    return answer;
}

// An answer of exactly kAnswerSize bytes; `record` points into `data`.
inline bool ParseAnswer(const uint8_t* data, size_t size, uint32_t& searchId, const uint8_t*& record) {
    if (size != kAnswerSize || !detail::ReadHeader(data, size, "TWDR", searchId)) return false;
    record = data + kHeaderSize;
    return true;
}

// The record's address text, never read past its slot.
inline std::string RecordAddress(const uint8_t* record) {
    const auto* text = reinterpret_cast<const char*>(record + kAddressOffset);
    return std::string(text, strnlen(text, kAddressLength));
}

} // namespace tarnwell::devsearch
