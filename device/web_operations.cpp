#include "device/web_operations.h"

#include "device/command_connection.h"
#include "protocol/reply_decoding.h"
#include "web/serial_setting.h"
#include "web/snapshot_capture.h"

#include <cstdio>

namespace tarnwell {

namespace {

const BilingualText kSendFailed{"发送数据失败", "Send data error!"};
const BilingualText kNoReply{"rec get picture fail", "rec get picture fail!"};
const BilingualText kNoPicture{"get picture fail m_nCaptureLen<0=", "get picture fail m_nCaptureLen<0=!"};
const BilingualText kTooLarge{"图片长度异常, 抓图失败", "get picture fail: announced length too large!"};
const BilingualText kCannotCreate{"无法创建图片文件", "Cannot create the picture file!"};
const BilingualText kCannotWrite{"保存图片失败", "Cannot write the picture file!"};
const BilingualText kTimedOut{"接收图片超时", "get picture timed out!"};
const BilingualText kCutShort{"图片不完整", "the picture was cut short"};

} // namespace

Outcome SetSerial(const UnitSession& session, const std::string& serialText) {
    StepReport report(session);
    const SerialRefusal refusal = CheckSerialText(serialText, session.address);
    if (refusal != SerialRefusal::None) {
        report.Fail(FailureKind::BadInput, SerialRefusalMessage(refusal));
        return report.Finish();
    }
    HttpLimits limits = session.httpLimits;
    limits.sentCounter = report.SentCounter();
    switch (SendSerial(session.address, session.webPortText, serialText, limits)) {
    case SerialOutcome::Refused: // checked above
    case SerialOutcome::ConnectFailed:
        report.Fail(FailureKind::Connect, SerialConnectFailedMessage());
        break;
    case SerialOutcome::SetFailed:
        report.Refused(FailureKind::Refused, SerialSetFailedMessage());
        break;
    case SerialOutcome::Succeeded:
        // Both texts are fixed whatever the interface language.
        report.Keep({"设置成功", "Set Success!"});
        break;
    }
    return report.Finish();
}

Outcome CaptureSnapshot(const UnitSession& session, const std::string& fileName) {
    StepReport report(session);
    CommandConnection connection(session, report);
    if (!connection.Open("连接失败 1!")) return report.Finish();
    if (!connection.Send(CommandBlock(CmdCapture))) {
        report.Fail(FailureKind::Send, kSendFailed);
        return report.Finish();
    }
    ReplyRead read = connection.Answer(Deadline::After(connection.Wait()));
    if (read.reply.received <= 0) {
        report.Fail(FailureKind::ReplyTimeout, kNoReply);
        return report.Finish();
    }
    const DecodedReply decoded = DecodeDeviceReply(read.reply);
    if (decoded.deviceFailed) report.Say({"更新失败!", "Update Failed!"});
    report.Details().announcedLength = decoded.captureLength;
    if (decoded.verdict != ReplyVerdictKind::None) report.Details().deviceAccepted = decoded.verdict == ReplyVerdictKind::Accepted;
    const int32_t length = decoded.captureLength.value_or(0);
    if (length <= 0) {
        report.Fail(FailureKind::BadReply, kNoPicture);
        return report.Finish();
    }
    if (length > kMaxCaptureLength) {
        report.Fail(FailureKind::BadReply, kTooLarge);
        return report.Finish();
    }
    std::FILE* file = std::fopen(fileName.c_str(), "wb");
    if (file == nullptr) {
        report.Fail(FailureKind::LocalFile, kCannotCreate);
        return report.Finish();
    }
    const PictureCopy copy = ReceivePicture(connection.Replies(), file, static_cast<uint64_t>(length));
    const bool written = std::fclose(file) == 0 && copy.end != PictureEnd::WriteFailed;
    connection.Close();
    if (!written) {
        report.Fail(FailureKind::LocalFile, kCannotWrite);
        return report.Finish();
    }
    report.Details().file = fileName;
    if (copy.end == PictureEnd::TimedOut) report.Fail(FailureKind::ReplyTimeout, kTimedOut);
    else if (copy.end == PictureEnd::Closed) report.FailQuietly(FailureKind::ConnectionReset, kCutShort);
    return report.Finish();
}

} // namespace tarnwell
