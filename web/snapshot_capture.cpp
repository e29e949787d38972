// The Capture button: ask the device for its picture over the command channel,
// save it under a timestamped name and hand it to the desktop's viewer.
#include "web/snapshot_capture.h"

#include "app/operator_console.h"
#include "platform/tcp_socket.h"
#include "protocol/command_block.h"

namespace tarnwell {

namespace {

const BilingualText kSendFailed{"发送数据失败", "Send data error!"};
const BilingualText kNoReply{"rec get picture fail", "rec get picture fail!"};
const BilingualText kNoPicture{"get picture fail m_nCaptureLen<0=", "get picture fail m_nCaptureLen<0=!"};
const BilingualText kTooLarge{"图片长度异常, 抓图失败", "get picture fail: announced length too large!"};
const BilingualText kCannotCreate{"无法创建图片文件", "Cannot create the picture file!"};
const BilingualText kCannotWrite{"保存图片失败", "Cannot write the picture file!"};
const BilingualText kTimedOut{"接收图片超时", "get picture timed out!"};

} // namespace

void OperatorConsole::OnCapture() {
    PullFields();
    ReadDeviceAddress();
    const std::string fileName = CaptureFileName(captureFolderText, deviceAddressText, LocalDateTime::Now());
    PurgeArpEntry();

    // A length left from an earlier capture must not be waited for again.
    replyStatus = 0;
    m_nCaptureLen = 0;

    TcpSocket connection;
    if (OpenCommandChannel(connection, deviceAddressText, "连接失败 1!") != ConnectOutcome::Connected) return;
    CommandBlock block(CmdCapture);
    if (!connection.SendAll(block.Bytes().data(), block.Bytes().size())) {
        ShowBilingualMessage(kSendFailed);
        return;
    }

    DeviceReply reply = ReceiveDeviceReply(connection, AfterReply::PictureData);
    if (!reply.Arrived()) {
        ShowBilingualMessage(kNoReply);
        return;
    }
    // A verdict of its own, so a running firmware upgrade keeps its own.
    ReplyVerdict verdict;
    DecodeReply(reply, verdict);
    replyStatus = verdict.replyStatus;
    m_nCaptureLen = verdict.captureLen;

    const int32_t length = verdict.captureLen;
    if (length <= 0) {
        ShowBilingualMessage(kNoPicture);
        return;
    }
    if (length > kMaxCaptureLength) {
        ShowBilingualMessage(kTooLarge);
        return;
    }

    std::FILE* file = std::fopen(fileName.c_str(), "wb");
    if (file == nullptr) {
        ShowBilingualMessage(kCannotCreate);
        return;
    }
    PictureCopy copy = ReceivePicture(connection, file, static_cast<uint64_t>(length));
    bool written = std::fclose(file) == 0 && copy.end != PictureEnd::WriteFailed;
    connection.Close();
    if (!written) {
        ShowBilingualMessage(kCannotWrite);
        return;
    }
    if (copy.end == PictureEnd::TimedOut) ShowBilingualMessage(kTimedOut);
    // A short picture is still shown: the operator judges what arrived.
    ui_.OpenWithDesktop(fileName);
}

} // namespace tarnwell
