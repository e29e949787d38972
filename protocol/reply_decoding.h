#pragma once
// What one device reply means, without acting on it: the verdict it gives,
// the picture length, the flash layout, the language list. The console and
// the device operations act on this each in their own way.
#include "protocol/device_reply.h"

#include <optional>
#include <string>

namespace tarnwell {

enum class ReplyVerdictKind {
    None,     // the reply gives no verdict (ignored kinds, query answers)
    Accepted, // kinds 186, 215, 216, 218 with a non-zero flag
    Refused,  // the same kinds with flag 0
};

struct DecodedReply {
    ReplyVerdictKind verdict = ReplyVerdictKind::None;
    std::optional<int32_t> captureLength;    // kind 218
    bool deviceFailed = false;               // kind 240: "Update Failed!"
    std::optional<int> flashLayout;          // kind 180, sub-kind 0x22
    std::optional<std::string> languageList; // kind 180, sub-kind 0x14
};

DecodedReply DecodeDeviceReply(const DeviceReply& reply);

// The flash layout of a 0x22 answer's digits: the high nibble of the byte
// that the first two characters spell.
int FlashLayoutFromDigits(const std::string& digits);

// True when `wanted` is one of the names in the list: each name ends with
// "|" or "&&"; text after the last separator is no name.
bool LanguageListHas(const std::string& list, const std::string& wanted);

} // namespace tarnwell
