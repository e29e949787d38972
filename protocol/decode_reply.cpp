// Interpreting one device reply into the operation's verdict and the console state.
#include "app/operator_console.h"
#include "protocol/command_block.h"

namespace tarnwell {

namespace {

int HexDigitValue(char c) { return (c >= '0' && c <= '9') ? c - '0' : static_cast<unsigned char>(c) - 55; }

// The first two characters of the 16-digit text, taken as a byte; its high nibble.
// A text shorter than two characters ends in its NUL, which counts like any
// other character (0 - 55), as in the zero-filled reply buffer.
int FlashLayoutFrom(const std::string& digits) {
    int d0 = HexDigitValue(digits.size() > 0 ? digits[0] : '\0');
    int d1 = HexDigitValue(digits.size() > 1 ? digits[1] : '\0');
    return ((16 * d0 + d1) % 256 + 256) % 256 / 16;
}

} // namespace

int OperatorConsole::DecodeReply(const DeviceReply& reply, ReplyVerdict& verdict) {
    const uint8_t kind = reply.Kind();
    if (kind < 16 || kind > 240) return 1;
    switch (kind) {
    case ReplyAccepted186:
    case ReplyHandshake:
    case ReplyFirstFile:
        verdict.replyStatus = reply.Flag() != 0 ? 1 : 2;
        return 1;
    case ReplyCapture:
        verdict.captureLen = static_cast<int32_t>(reply.Value());
        verdict.replyStatus = reply.Flag() != 0 ? 1 : 2;
        return 1;
    case ReplyUpdateFailed:
        ShowBilingualMessage("更新失败!", "Update Failed!");
        return 1;
    case ReplyQueryAnswer:
        break;
    default:
        return 1;
    }

    const std::string text = reply.Text();
    if (reply.Flag() == QueryFlashLayout) {
        FlashLayoutFlag = FlashLayoutFrom(text);
        return 1;
    }
    if (reply.Flag() != QueryLanguageList) return 1;

    // Names each end with "|" or "&&"; text after the last separator is not a name.
    const std::string wanted = ui_.LanguageText();
    size_t tokenStart = 0;
    for (size_t i = 0; i < text.size(); ++i) {
        bool separator = text[i] == '|' || (text[i] == '&' && i + 1 < text.size() && text[i + 1] == '&');
        if (!separator) continue;
        if (text.compare(tokenStart, i - tokenStart, wanted) == 0 && i - tokenStart == wanted.size()) {
            languageMatched = 1;
            return SetLanguage();
        }
        tokenStart = i + 1;
    }
    if (languageMatched.load() == 0) {
        ShowBilingualMessage("不支持这种语言!", "does not support this language!");
        return 0;
    }
    return 1;
}

int OperatorConsole::DecodeWorkerReply(const DeviceReply& reply, ReplyVerdict& verdict) {
    if (reply.Kind() == ReplyQueryAnswer && reply.Flag() == QueryLanguageList) return 1;
    return DecodeReply(reply, verdict);
}

} // namespace tarnwell
