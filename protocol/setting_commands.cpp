// The short exchanges that set one thing on the device, and the reboot.
#include "app/journal_mac_write.h"
#include "app/mac_text.h"
#include "app/mac_text_block.h"
#include "app/operator_console.h"
#include "platform/tcp_socket.h"
#include "protocol/command_block.h"

namespace tarnwell {

void OperatorConsole::RebootDevice() { RebootDevice(deviceAddressText); }

void OperatorConsole::RebootDevice(const std::string& address) { RebootDevice(address, channelLimits.reply); }

void OperatorConsole::RebootDevice(const std::string& address, Milliseconds deviceWait) {
    TcpSocket connection;
    if (OpenCommandChannel(connection, address, "连接失败 3", deviceWait) != ConnectOutcome::Connected) return;
    languageMatched = 0;
    CommandBlock block(CmdReboot);
    if (!connection.SendAll(block.Bytes().data(), block.Bytes().size()))
        ShowBilingualMessage("发送数据失败--Reboot", "Send data error -- Reboot");
}

int OperatorConsole::UpdateLanguage() {
    TcpSocket connection;
    if (OpenCommandChannel(connection, deviceAddressText, "连接失败8!") != ConnectOutcome::Connected) return 0;
    QueryLanguages(connection);
    if (!connection.IsValid()) return 0;
    DeviceReply reply = ReceiveDeviceReply(connection);
    if (!reply.Arrived()) return 0;
    ReplyVerdict verdict{replyStatus.load(), m_nCaptureLen.load()};
    // The query connection stays open while a match opens the setting's own.
    int result = DecodeReply(reply, verdict);
    replyStatus = verdict.replyStatus;
    return result;
}

void OperatorConsole::QueryLanguages(TcpSocket& connection) {
    languageMatched = 0;
    CommandBlock block(CmdQuery);
    block.SubCode(QueryLanguageList);
    if (!connection.SendAll(block.Bytes().data(), block.Bytes().size())) {
        ShowBilingualMessage("发送数据失败", "Send data error");
        connection.Close();
    }
}

namespace {

// Command block then value block on a fresh connection: language and video standard.
int SendSelection(OperatorConsole& console, uint8_t code, int selection, const char* chineseConnectFailure,
                  const BilingualText& sendFailure) {
    TcpSocket connection;
    if (console.OpenCommandChannel(connection, console.deviceAddressText, chineseConnectFailure) !=
        ConnectOutcome::Connected)
        return 0;
    CommandBlock block(code);
    block.ParameterLittleEndian(4);
    if (!connection.SendAll(block.Bytes().data(), block.Bytes().size())) {
        console.ShowBilingualMessage(sendFailure);
        return 0;
    }
    CommandBytes value = MakeValueBlock(selection);
    if (!connection.SendAll(value.data(), value.size())) {
        console.ShowBilingualMessage(sendFailure);
        return 0;
    }
    return 1;
}

} // namespace

int OperatorConsole::SetLanguage() {
    return SendSelection(*this, CmdSetLanguage, ui_.LanguageSelection(), "连接失败5",
                         {"发送数据失败", "Send data error"});
}

int OperatorConsole::SetVideoStandard() {
    return SendSelection(*this, CmdSetVideoStandard, ui_.VideoStandardSelection(), "连接失败7",
                         {"发送数据失败", "Send data error!"});
}

int OperatorConsole::SetDeviceTime() {
    TcpSocket connection;
    switch (OpenCommandChannel(connection, deviceAddressText, "连接失败6")) {
    case ConnectOutcome::NoSocket:
        ShowBilingualMessage("创建套接字失败", "Create SOCKET Failed!");
        return 0;
    case ConnectOutcome::Failed:
        return 0;
    case ConnectOutcome::Connected:
        break;
    }
    CommandBlock block(CmdSetTime);
    block.ParameterLittleEndian(32);
    DeviceClock clock{deviceDate.year, deviceDate.month, deviceDate.day,
                      deviceTime.hour, deviceTime.minute, deviceTime.second};
    CommandBytes time = MakeTimeBlock(clock);
    if (!connection.SendAll(block.Bytes().data(), block.Bytes().size()) ||
        !connection.SendAll(time.data(), time.size())) {
        ShowBilingualMessage("发送数据失败", "Send data error!");
        return 0;
    }
    return 1;
}

int OperatorConsole::SetMacAddress() {
    // A text that is not an address is never sent, and so never stepped.
    if (ValidateMacText(macText) != kMacTextWellFormed) {
        ShowBilingualMessage("MAC地址无效!", "MAC address is not effective!");
        return 0;
    }
    // Committed as reserved before the block can leave; a failure below marks it failed.
    JournalMacWrite journalWrite(*this);
    if (!journalWrite.Reserve(macText)) return 0;
    TcpSocket connection;
    if (OpenCommandChannel(connection, deviceAddressText, "连接失败9!") != ConnectOutcome::Connected) return 0;
    CommandBlock block(CmdSetMac);
    block.ParameterLittleEndian(17);
    MacTextBlock text = MakeMacTextBlock(macText);
    if (!connection.SendAll(block.Bytes().data(), block.Bytes().size()) ||
        !connection.SendAll(text.data(), text.size())) {
        ShowBilingualMessage("发送数据失败!", "Send data error!");
        return 0;
    }
    connection.Close();
    journalWrite.Written();
    // Stepped and saved at once: after a crash the next start carries on
    // from the next address instead of the one saved at the last close.
    if (autoIncrementMac != 0) OnIncrementMac();
    SaveMacSetting();
    return 1;
}

void OperatorConsole::TestLink() {
    TcpSocket connection;
    if (OpenCommandChannel(connection, deviceAddressText, "连接失败10!") != ConnectOutcome::Connected) return;
    // Shown in Chinese whatever the interface language.
    ui_.ShowMessage("连接成功");
}

} // namespace tarnwell
