#pragma once
// The fixed 32-byte command packet of the device command channel and the
// payload blocks that several exchanges share.
#include <array>
#include <cstdint>
#include <string>

namespace tarnwell {

// The command channel's TCP port. The port kept in the settings is not consulted.
inline constexpr uint16_t DeviceCommandPort = 10002;

enum CommandCode : uint8_t {
    CmdReadyUpgrade = 0xC7,
    CmdUpgradeHandshake = 0xD7,
    CmdUpgradeFirstFile = 0xD8,
    CmdReboot = 0xD6,
    CmdQuery = 0xA4,
    CmdSetLanguage = 0xD5,
    CmdSetVideoStandard = 0xD4,
    CmdSetTime = 0xD3,
    CmdSetMac = 0xD0,
    CmdCapture = 0xDA,
};

// Sub-codes of CmdQuery.
inline constexpr uint8_t QueryLanguageList = 0x14;
inline constexpr uint8_t QueryFlashLayout = 0x22;

using CommandBytes = std::array<uint8_t, 32>;

// Builds command blocks. The parameter's byte order differs per command
// (big-endian in the handshake, little-endian in the setting commands), so
// the caller says which.
class CommandBlock {
public:
    explicit CommandBlock(uint8_t code);
    CommandBlock& ParameterBigEndian(uint32_t value);
    CommandBlock& ParameterLittleEndian(uint32_t value);
    CommandBlock& SubCode(uint8_t subCode);
    const CommandBytes& Bytes() const { return bytes_; }

private:
    CommandBytes bytes_{};
};

// 32 bytes: the protocol version text "1.0.0.0", its NUL and zero fill.
CommandBytes MakeVersionBlock();
// 8 bytes: member type and data size, both big-endian.
std::array<uint8_t, 8> MakeFileAttributes(uint32_t type, uint32_t size);
// 32 bytes: selection index big-endian, then 04 00 00 00, then zeros.
CommandBytes MakeValueBlock(int32_t selectionIndex);

struct DeviceClock {
    int year = 0, month = 0, day = 0, hour = 0, minute = 0, second = 0;
};
// 32 bytes: year, month, day, 0, hour, minute, second, 0, each big-endian.
CommandBytes MakeTimeBlock(const DeviceClock& clock);

void PutBigEndian32(uint8_t* at, uint32_t value);
void PutLittleEndian32(uint8_t* at, uint32_t value);

} // namespace tarnwell
