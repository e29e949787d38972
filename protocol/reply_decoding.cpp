#include "protocol/reply_decoding.h"

#include "protocol/command_block.h"

namespace tarnwell {

namespace {

int HexDigitValue(char c) { return (c >= '0' && c <= '9') ? c - '0' : static_cast<unsigned char>(c) - 55; }

} // namespace

// A text shorter than two characters ends in its NUL, which counts like any
// other character (0 - 55), as in the zero-filled reply buffer.
int FlashLayoutFromDigits(const std::string& digits) {
    int d0 = HexDigitValue(digits.size() > 0 ? digits[0] : '\0');
    int d1 = HexDigitValue(digits.size() > 1 ? digits[1] : '\0');
    return ((16 * d0 + d1) % 256 + 256) % 256 / 16;
}

bool LanguageListHas(const std::string& list, const std::string& wanted) {
    size_t tokenStart = 0;
    for (size_t i = 0; i < list.size(); ++i) {
        bool separator = list[i] == '|' || (list[i] == '&' && i + 1 < list.size() && list[i + 1] == '&');
        if (!separator) continue;
        if (i - tokenStart == wanted.size() && list.compare(tokenStart, i - tokenStart, wanted) == 0) return true;
        // After "&&" the next name begins with the second "&".
        tokenStart = i + 1;
    }
    return false;
}

DecodedReply DecodeDeviceReply(const DeviceReply& reply) {
    DecodedReply decoded;
    const uint8_t kind = reply.Kind();
    if (kind < 16 || kind > 240) return decoded;
    const ReplyVerdictKind flagged = reply.Flag() != 0 ? ReplyVerdictKind::Accepted : ReplyVerdictKind::Refused;
    switch (kind) {
    case ReplyAccepted186:
    case ReplyHandshake:
    case ReplyFirstFile:
        decoded.verdict = flagged;
        break;
    case ReplyCapture:
        decoded.captureLength = static_cast<int32_t>(reply.Value());
        decoded.verdict = flagged;
        break;
    case ReplyUpdateFailed:
        decoded.deviceFailed = true;
        break;
    case ReplyQueryAnswer:
        if (reply.Flag() == QueryFlashLayout) decoded.flashLayout = FlashLayoutFromDigits(reply.Text());
        if (reply.Flag() == QueryLanguageList) decoded.languageList = reply.Text();
        break;
    default:
        break;
    }
    return decoded;
}

} // namespace tarnwell
