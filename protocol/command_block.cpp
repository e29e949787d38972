#include "protocol/command_block.h"

#include <cstring>

namespace tarnwell {

void PutBigEndian32(uint8_t* at, uint32_t value) {
    at[0] = static_cast<uint8_t>(value >> 24);
    at[1] = static_cast<uint8_t>(value >> 16);
    at[2] = static_cast<uint8_t>(value >> 8);
    at[3] = static_cast<uint8_t>(value);
}

void PutLittleEndian32(uint8_t* at, uint32_t value) {
    at[0] = static_cast<uint8_t>(value);
    at[1] = static_cast<uint8_t>(value >> 8);
    at[2] = static_cast<uint8_t>(value >> 16);
    at[3] = static_cast<uint8_t>(value >> 24);
}

CommandBlock::CommandBlock(uint8_t code) { bytes_[0] = code; }

CommandBlock& CommandBlock::ParameterBigEndian(uint32_t value) {
    PutBigEndian32(&bytes_[4], value);
    return *this;
}

CommandBlock& CommandBlock::ParameterLittleEndian(uint32_t value) {
    PutLittleEndian32(&bytes_[4], value);
    return *this;
}

CommandBlock& CommandBlock::SubCode(uint8_t subCode) {
    bytes_[8] = subCode;
    return *this;
}

CommandBytes MakeVersionBlock() {
    CommandBytes block{};
    std::memcpy(block.data(), "1.0.0.0", 7);
    return block;
}

std::array<uint8_t, 8> MakeFileAttributes(uint32_t type, uint32_t size) {
    std::array<uint8_t, 8> attributes{};
    PutBigEndian32(&attributes[0], type);
    PutBigEndian32(&attributes[4], size);
    return attributes;
}

CommandBytes MakeValueBlock(int32_t selectionIndex) {
    CommandBytes block{};
    PutBigEndian32(&block[0], static_cast<uint32_t>(selectionIndex));
    PutLittleEndian32(&block[4], 4);
    return block;
}

CommandBytes MakeTimeBlock(const DeviceClock& clock) {
    CommandBytes block{};
    const int values[8] = {clock.year, clock.month, clock.day, 0, clock.hour, clock.minute, clock.second, 0};
    for (int i = 0; i < 8; ++i) PutBigEndian32(&block[static_cast<size_t>(i) * 4], static_cast<uint32_t>(values[i]));
    return block;
}

} // namespace tarnwell
