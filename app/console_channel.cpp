// The command channel's shared pieces as the console offers them: the three
// senders and the reply decoding, acting on the console's own state.
#include "app/operator_console.h"
#include "device/member_senders.h"
#include "device/step_report.h"
#include "protocol/reply_decoding.h"

namespace tarnwell {

void OperatorConsole::SendCmdReadyUpgrade(TcpSocket& connection) {
    const UnitSession session = Session(deviceAddressText);
    StepReport report(session);
    tarnwell::SendCmdReadyUpgrade(connection, report);
}

void OperatorConsole::SendFileAttr(TcpSocket& connection, uint32_t type, uint32_t size) {
    const UnitSession session = Session(deviceAddressText);
    StepReport report(session);
    tarnwell::SendFileAttr(connection, report, type, size);
}

bool OperatorConsole::SendFile(TcpSocket& connection, const uint8_t* data, size_t length) {
    const UnitSession session = Session(deviceAddressText);
    StepReport report(session);
    return tarnwell::SendFile(connection, report, session.Observer(), data, length, Deadline::None());
}

int OperatorConsole::DecodeReply(const DeviceReply& reply, ReplyVerdict& verdict) {
    const DecodedReply decoded = DecodeDeviceReply(reply);
    if (decoded.captureLength) verdict.captureLen = *decoded.captureLength;
    if (decoded.verdict != ReplyVerdictKind::None)
        verdict.replyStatus = decoded.verdict == ReplyVerdictKind::Accepted ? 1 : 2;
    if (decoded.deviceFailed) ShowBilingualMessage("更新失败!", "Update Failed!");
    if (decoded.flashLayout) FlashLayoutFlag = *decoded.flashLayout;
    if (!decoded.languageList) return 1;
    if (LanguageListHas(*decoded.languageList, ui_.LanguageText())) {
        languageMatched = 1;
        return SetLanguage();
    }
    if (languageMatched.load() == 0) {
        ShowBilingualMessage("不支持这种语言!", "does not support this language!");
        return 0;
    }
    return 1;
}

} // namespace tarnwell
