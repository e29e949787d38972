// The firmware upgrade: the package check, the handshake, one connection per
// member, and the reboot once the device has taken the last member. It runs
// on a worker thread of its own and reports only through the console's window.
#include "app/operator_console.h"
#include "platform/tcp_socket.h"
#include "protocol/command_block.h"
#include "protocol/member_data.h"
#include "protocol/package_check.h"
#include "journal/sha256.h"

#include <cstdio>
#include <system_error>

namespace tarnwell {

namespace {

constexpr int kLastMemberIndex = 10;
const BilingualText kBusy{"正在更新,请稍候!", "Updating, please wait!"};

std::string MemberStatusText(int index) {
    char text[32];
    std::snprintf(text, sizeof text, "Update %d-%d...", index, kLastMemberIndex);
    return text;
}

BilingualText MemberReadFailure(MemberRead outcome) {
    if (outcome == MemberRead::NoMemory)
        return {"内存不足,无法读取升级文件!", "Not enough memory to read the update file!"};
    return {"升级文件读取失败,文件可能已被改动!", "The update file can no longer be read; it may have changed!"};
}

// The handshake, on a connection of its own; false when the upgrade must end.
bool UpgradeHandshake(OperatorConsole& console, const std::string& address) {
    TcpSocket connection;
    if (console.OpenCommandChannel(connection, address, "连接失败 1!") != ConnectOutcome::Connected) return false;
    CommandBlock handshake(CmdUpgradeHandshake);
    handshake.ParameterBigEndian(8);
    if (!connection.SendAll(handshake.Bytes().data(), handshake.Bytes().size())) {
        console.ShowBilingualMessage("发送数据失败1", "Send data error!");
        return false;
    }
    CommandBytes version = MakeVersionBlock();
    if (!connection.SendAll(version.data(), version.size())) {
        console.ShowBilingualMessage("发送数据失败", "Send data error!");
        return false;
    }
    DeviceReply reply = ReceiveDeviceReply(connection);
    if (!reply.Arrived()) {
        // Without a word the operator would be left wondering whether anything ran.
        console.ShowBilingualMessage("没有接收到命令数据", "Can't Accept Command Data");
        return false;
    }
    ReplyVerdict verdict;
    console.DecodeReply(reply, verdict);
    if (verdict.replyStatus == 2) {
        console.ShowBilingualMessage("升级协议版本不合", "UpdateTool's protocol version not applicable!");
        return false;
    }
    return true;
}

// The package's digest goes into the unit before any of it is sent.
void RunRecordedUpgrade(OperatorConsole& console, const std::shared_ptr<JournalUnit>& unit, const std::string& path,
                        const std::string& address) {
    if (!unit) {
        console.UpgradeFirmware(path, address);
        return;
    }
    StepRecorder step(unit, "UpgradeFirmware");
    try {
        unit->Records().SetUnitPackage(unit->Id(), path, Sha256OfFile(path).value_or(""));
    } catch (const JournalError& error) {
        unit->MarkFailed();
        console.ShowBilingualMessage(JournalFaultMessage(error));
        console.busyWorker = false;
        return;
    }
    step.Finish(console.UpgradeFirmware(path, address), console);
}

} // namespace

void OperatorConsole::StartFirmwareUpgrade() {
    PullFields();
    if (biosFilePath.empty()) {
        ShowBilingualMessage("请选择文件来更新Bios!", "please select a file update Bios!");
        return;
    }
    ReadDeviceAddress();
    if (biosFilePath.empty() || firmwareFileCount == 0) return;
    // One upgrade at a time: a second one would interleave members on the device.
    if (busyWorker.load()) {
        ShowBilingualMessage(kBusy);
        return;
    }
    // The previous worker has ended its work and at most sits in its last pause.
    WaitForFirmwareWorker();
    upgradeTail.Rearm();
    // Set before the thread exists, so the worker's emptying always comes after.
    busyWorker = true;
    try {
        // The worker's step belongs to the unit of the action that started it.
        std::shared_ptr<JournalUnit> unit;
        try {
            unit = RecordedAction::CurrentUnit(*this);
        } catch (const JournalError& error) {
            busyWorker = false;
            RecordedAction::StopCurrent();
            ShowBilingualMessage(JournalFaultMessage(error));
            return;
        }
        firmwareWorker = std::thread([this, path = biosFilePath, address = deviceAddressText, unit] {
            try {
                RunRecordedUpgrade(*this, unit, path, address);
            } catch (...) {
                // Out of memory for a message text: still free the console.
                busyWorker = false;
                ui_.EnableControl(IdUpdateBios, true);
            }
        });
    } catch (const std::system_error&) {
        busyWorker = false;
        ShowBilingualMessage("无法启动升级线程!", "Cannot start the update!");
    }
}

bool OperatorConsole::UpgradeFirmware(const std::string& packagePath, const std::string& address) {
    PackageTable table{};
    if (CheckUpgradePackage(packagePath, table) == 0) {
        ShowBilingualMessage("文件格式错误!", "File format error!");
        busyWorker = false;
        return false;
    }

    if (!UpgradeHandshake(*this, address)) {
        busyWorker = false;
        return false;
    }
    ui_.EnableControl(IdUpdateBios, false);

    ReplyVerdict verdict;
    for (int index = 0; index <= kLastMemberIndex; ++index) {
        const PackageMember& member = table[static_cast<size_t>(index)];
        ui_.SetStatusLine(MemberStatusText(index));
        ui_.SetProgress(0);

        TcpSocket connection;
        if (OpenCommandChannel(connection, address, "连接失败2!") != ConnectOutcome::Connected) {
            verdict.replyStatus = 2;
            break;
        }
        if (!member.present) break; // the previous member's verdict stands

        // Read before anything of the member goes out: a device must never get
        // a member announced and then cut short or filled with garbage.
        MemberBytes data;
        MemberRead read = ReadMemberData(packagePath, member, data);
        if (read != MemberRead::Complete) {
            ShowBilingualMessage(MemberReadFailure(read));
            verdict.replyStatus = 2;
            break;
        }

        const bool installDescription = member.type == kInstallDescriptionType;
        if (installDescription) {
            CommandBlock first(CmdUpgradeFirstFile);
            if (!connection.SendAll(first.Bytes().data(), first.Bytes().size())) {
                ShowBilingualMessage("发送数据失败", "Send data error!");
                verdict.replyStatus = 2;
                break;
            }
            verdict.replyStatus = 0;
            SendFileAttr(connection, kInstallDescriptionType, member.size);
        } else {
            SendCmdReadyUpgrade(connection);
            verdict.replyStatus = 0;
            DeviceReply ready = ReceiveDeviceReply(connection);
            if (!ready.Arrived()) {
                ShowBilingualMessage("没有接收到命令数据", "Can't Accept Command Data");
                verdict.replyStatus = 2;
                break;
            }
            DecodeReply(ready, verdict);
            if (verdict.replyStatus == 2) {
                ShowBilingualMessage("升级失败", "Update failed");
                break;
            }
        }

        verdict.replyStatus = 0;
        // An empty member has nothing to send; SendFile would call that an error.
        if (!data.empty()) SendFile(connection, data.data(), data.size());
        data.Release();

        connection.SetReceiveLimit(channelLimits.replyAfterFirmwareData);
        DeviceReply answer = ReceiveDeviceReply(connection);
        if (!answer.Arrived()) {
            ShowBilingualMessage("发送数据后没有收到反馈信息", "Can't accpet data after send data");
            break;
        }
        DecodeReply(answer, verdict);
        if (verdict.replyStatus == 2) {
            if (installDescription)
                ShowBilingualMessage("升级程序版本不合", "UpdateTool's program version not applicable!");
            else
                ShowBilingualMessage("发送数据后更新失败", "Update failed after send Data");
            break;
        }
        connection.Close();
        std::this_thread::sleep_for(upgradePauses.betweenMembers);
    }

    // Only a device that accepted the last member is restarted into the new firmware.
    if (verdict.replyStatus == 1) {
        RebootDevice(address);
        ui_.SetStatusLine("Update Bios Complete");
    }
    ui_.SetProgress(0);
    busyWorker = false;
    ui_.EnableControl(IdUpdateBios, true);
    upgradeTail.Wait(upgradePauses.beforeIdleStatus);
    ui_.SetStatusLine("Current Process");
    return verdict.replyStatus == 1;
}

} // namespace tarnwell
