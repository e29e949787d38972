#include "device/member_senders.h"

#include "device/command_connection.h"
#include "protocol/command_block.h"
#include "protocol/timed_send.h"

#include <algorithm>

namespace tarnwell {

void SendCmdReadyUpgrade(TcpSocket& connection, StepReport& report) {
    const CommandBlock block(CmdReadyUpgrade);
    if (!connection.SendAll(block.Bytes().data(), block.Bytes().size()))
        report.Fail(FailureKind::Send, {"SendCmdReadyUpgrade 发送数据失败!", "SendCmdReadyUpgrade Send data error"});
}

void SendFileAttr(TcpSocket& connection, StepReport& report, uint32_t type, uint32_t size) {
    const auto attributes = MakeFileAttributes(type, size);
    if (!connection.SendAll(attributes.data(), attributes.size()))
        report.Fail(FailureKind::Send, {"SendFileAttr 发送数据失败!", "SendFileAttr Send data error"});
}

bool SendFile(TcpSocket& connection, StepReport& report, OperationObserver& observer, const uint8_t* data,
              size_t length, const Deadline& deadline) {
    constexpr size_t kChunk = 1500;
    size_t sent = 0;
    int shownPosition = -1;
    do {
        const size_t chunk = std::min(length - sent, kChunk);
        // A partial send is finished before the next chunk, so no byte is skipped.
        if (chunk == 0 || !SendBefore(connection, data + sent, chunk, deadline)) {
            report.Fail(FailureKind::Send, {"发送数据失败!", "SendFile Send data error"});
            return false;
        }
        sent += chunk;
        const int position = static_cast<int>(static_cast<uint64_t>(sent) * 100 / length);
        // Only a change of position reaches the front end.
        if (position != shownPosition) {
            observer.Progress(position);
            shownPosition = position;
        }
    } while (sent < length);
    return true;
}

void SendCmdReadyUpgrade(CommandConnection& connection, StepReport& report) {
    SendCmdReadyUpgrade(connection.Socket(), report);
}

void SendFileAttr(CommandConnection& connection, StepReport& report, uint32_t type, uint32_t size) {
    SendFileAttr(connection.Socket(), report, type, size);
}

bool SendFile(CommandConnection& connection, StepReport& report, const uint8_t* data, size_t length,
              const Deadline& deadline) {
    return SendFile(connection.Socket(), report, connection.Session().Observer(), data, length, deadline);
}

} // namespace tarnwell
