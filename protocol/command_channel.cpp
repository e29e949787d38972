// Connecting to the device's command port and the three shared senders.
#include "app/operator_console.h"
#include "platform/tcp_socket.h"
#include "protocol/command_block.h"

namespace tarnwell {

ConnectOutcome OperatorConsole::OpenCommandChannel(TcpSocket& connection, const std::string& address,
                                                   const char* chineseConnectFailure) {
    return OpenCommandChannel(connection, address, chineseConnectFailure, channelLimits.reply);
}

ConnectOutcome OperatorConsole::OpenCommandChannel(TcpSocket& connection, const std::string& address,
                                                   const char* chineseConnectFailure, Milliseconds deviceWait) {
    connection = TcpSocket::Create();
    if (!connection.IsValid()) return ConnectOutcome::NoSocket;
    connection.CountSentInto(&bytesSent);
    if (!connection.Connect(address, DeviceCommandPort, channelLimits.connect)) {
        ShowBilingualMessage(chineseConnectFailure, "Connect Failed!");
        connection.Close();
        return ConnectOutcome::Failed;
    }
    connection.SetReceiveLimit(deviceWait);
    connection.SetSendLimit(deviceWait);
    return ConnectOutcome::Connected;
}

void OperatorConsole::SendCmdReadyUpgrade(TcpSocket& connection) {
    CommandBlock block(CmdReadyUpgrade);
    if (!connection.SendAll(block.Bytes().data(), block.Bytes().size()))
        ShowBilingualMessage("SendCmdReadyUpgrade 发送数据失败!", "SendCmdReadyUpgrade Send data error");
}

void OperatorConsole::SendFileAttr(TcpSocket& connection, uint32_t type, uint32_t size) {
    auto attributes = MakeFileAttributes(type, size);
    if (!connection.SendAll(attributes.data(), attributes.size()))
        ShowBilingualMessage("SendFileAttr 发送数据失败!", "SendFileAttr Send data error");
}

bool OperatorConsole::SendFile(TcpSocket& connection, const uint8_t* data, size_t length) {
    constexpr size_t kChunk = 1500;
    size_t sent = 0;
    int shownPosition = -1;
    do {
        size_t chunk = std::min(length - sent, kChunk);
        // A partial send is finished before the next chunk, so no byte is skipped.
        if (chunk == 0 || !connection.SendAll(data + sent, chunk)) {
            ShowBilingualMessage("发送数据失败!", "SendFile Send data error");
            return false;
        }
        sent += chunk;
        int position = static_cast<int>(static_cast<uint64_t>(sent) * 100 / length);
        // Only a change of position crosses to the UI thread.
        if (position != shownPosition) {
            ui_.SetProgress(position);
            shownPosition = position;
        }
    } while (sent < length);
    return true;
}

} // namespace tarnwell
