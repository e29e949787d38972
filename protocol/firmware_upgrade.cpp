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

const BilingualText kNoCommandAnswer{"没有接收到命令数据", "Can't Accept Command Data"};
const BilingualText kUpdateFailed{"升级失败", "Update failed"};

// What one awaited reply of the upgrade amounts to.
enum class StepAnswer {
    Accepted,
    Refused,
    Missing,      // nothing arrived before the device closed or the wait ended
    Unusable,     // garbage, a kind that gives no verdict, or more than one reply's bytes
    DeviceFailed, // the device's own failure reply, already shown by the decoding
};

// A reply without effect sent in the same burst as the verdict is not the
// next step's answer.
void DropNoEffectFollowers(TcpSocket& connection) {
    uint8_t kind = 0;
    while (connection.PendingBytes() > 0 && connection.PeekSome(&kind, 1) == 1 && IsNoEffectKind(kind))
        if (!ReceiveDeviceReply(connection).Arrived()) return;
}

// `lastOnConnection`: no further reply may follow this one, so bytes beyond
// it mean a reply longer than the protocol's 128.
StepAnswer AwaitStepAnswer(OperatorConsole& console, TcpSocket& connection, bool lastOnConnection) {
    DeviceReply reply = ReceiveDeviceReply(connection);
    if (!reply.Arrived()) return StepAnswer::Missing;
    if (static_cast<size_t>(reply.received) == kDeviceReplyMax) {
        DropNoEffectFollowers(connection);
        if (lastOnConnection && connection.PendingBytes() > 0) return StepAnswer::Unusable;
    }
    ReplyVerdict verdict;
    console.DecodeWorkerReply(reply, verdict);
    if (verdict.replyStatus == 1) return StepAnswer::Accepted;
    if (verdict.replyStatus == 2) return StepAnswer::Refused;
    return reply.Kind() == ReplyUpdateFailed ? StepAnswer::DeviceFailed : StepAnswer::Unusable;
}

// Shows what a step's answer means when it is not acceptance; true when accepted.
bool AcceptedOrSaid(OperatorConsole& console, StepAnswer answer, const BilingualText& missing,
                    const BilingualText& refused) {
    switch (answer) {
    case StepAnswer::Accepted:
        return true;
    case StepAnswer::Missing:
        console.ShowBilingualMessage(missing);
        break;
    case StepAnswer::Refused:
        console.ShowBilingualMessage(refused);
        break;
    case StepAnswer::Unusable:
        console.ShowBilingualMessage(kUpdateFailed);
        break;
    case StepAnswer::DeviceFailed:
        break;
    }
    return false;
}

// Every connection of the worker waits as long as a device writing flash needs.
bool OpenWorkerChannel(OperatorConsole& console, TcpSocket& connection, const std::string& address,
                       const char* chineseConnectFailure) {
    switch (console.OpenCommandChannel(connection, address, chineseConnectFailure, console.channelLimits.worker)) {
    case ConnectOutcome::Connected:
        return true;
    case ConnectOutcome::NoSocket:
        // The only failure the operator would otherwise never hear of.
        console.ShowBilingualMessage(kUpdateFailed);
        return false;
    case ConnectOutcome::Failed:
        return false;
    }
    return false;
}

// The handshake, on a connection of its own; false when the upgrade must end.
bool UpgradeHandshake(OperatorConsole& console, const std::string& address) {
    TcpSocket connection;
    if (!OpenWorkerChannel(console, connection, address, "连接失败 1!")) return false;
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
    // Without a word the operator would be left wondering whether anything ran.
    return AcceptedOrSaid(console, AwaitStepAnswer(console, connection, true), kNoCommandAnswer,
                          {"升级协议版本不合", "UpdateTool's protocol version not applicable!"});
}

} // namespace

// The package's digest goes into the unit before any of it is sent.
bool OperatorConsole::UpgradeFirmwareRecorded(const std::shared_ptr<JournalUnit>& unit, const std::string& path,
                                              const std::string& address) {
    if (!unit) return UpgradeFirmware(path, address);
    StepRecorder step(unit, "UpgradeFirmware");
    try {
        unit->Records().SetUnitPackage(unit->Id(), path, Sha256OfFile(path).value_or(""));
    } catch (const JournalError& error) {
        unit->MarkFailed();
        ShowBilingualMessage(JournalFaultMessage(error));
        busyWorker = false;
        return false;
    }
    const bool upgraded = UpgradeFirmware(path, address);
    return step.Finish(upgraded, *this) && upgraded;
}

void OperatorConsole::StartFirmwareUpgrade() {
    PullFields();
    // A path typed over a refused or cancelled selection was never checked.
    if (biosFilePath.empty() || firmwareFileCount == 0) {
        ShowBilingualMessage("请选择文件来更新Bios!", "please select a file update Bios!");
        return;
    }
    ReadDeviceAddress();
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
                UpgradeFirmwareRecorded(unit, path, address);
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

    // The verdict of the last member that went out: 1 only when the device took all of it.
    int memberVerdict = 0;
    for (int index = 0; index <= kLastMemberIndex; ++index) {
        const PackageMember& member = table[static_cast<size_t>(index)];
        ui_.SetStatusLine(MemberStatusText(index));
        ui_.SetProgress(0);
        // A stop comes between members, so no member is ever cut short on the wire;
        // a device that has not had all of them must not be restarted.
        if (stopBeforeNextMember.load() && member.present) {
            ShowBilingualMessage("升级已中止", "Update stopped");
            memberVerdict = 2;
            break;
        }

        TcpSocket connection;
        if (!OpenWorkerChannel(*this, connection, address, "连接失败2!")) {
            memberVerdict = 2;
            break;
        }
        if (!member.present) break; // the previous member's verdict stands

        // Read before anything of the member goes out: a device must never get
        // a member announced and then cut short or filled with garbage.
        MemberBytes data;
        MemberRead read = ReadMemberData(packagePath, member, data);
        if (read != MemberRead::Complete) {
            ShowBilingualMessage(MemberReadFailure(read));
            memberVerdict = 2;
            break;
        }

        memberVerdict = 2; // until the device has taken this member
        const bool installDescription = member.type == kInstallDescriptionType;
        if (installDescription) {
            CommandBlock first(CmdUpgradeFirstFile);
            if (!connection.SendAll(first.Bytes().data(), first.Bytes().size())) {
                ShowBilingualMessage("发送数据失败", "Send data error!");
                break;
            }
            SendFileAttr(connection, kInstallDescriptionType, member.size);
        } else {
            SendCmdReadyUpgrade(connection);
            if (!AcceptedOrSaid(*this, AwaitStepAnswer(*this, connection, false), kNoCommandAnswer, kUpdateFailed)) break;
        }

        // An empty member has nothing to send; SendFile would call that an error.
        // A member the device did not take whole is a failed upgrade, whatever it answers.
        if (!data.empty() && !SendFile(connection, data.data(), data.size())) break;
        data.Release();

        const BilingualText refused =
            installDescription ? BilingualText{"升级程序版本不合", "UpdateTool's program version not applicable!"}
                               : BilingualText{"发送数据后更新失败", "Update failed after send Data"};
        if (!AcceptedOrSaid(*this, AwaitStepAnswer(*this, connection, true),
                            {"发送数据后没有收到反馈信息", "Can't accpet data after send data"}, refused))
            break;
        memberVerdict = 1;
        connection.Close();
        std::this_thread::sleep_for(upgradePauses.betweenMembers);
    }

    // Only a device that accepted the last member is restarted into the new firmware.
    if (memberVerdict == 1) {
        RebootDevice(address, channelLimits.worker);
        ui_.SetStatusLine("Update Bios Complete");
    }
    ui_.SetProgress(0);
    busyWorker = false;
    ui_.EnableControl(IdUpdateBios, true);
    upgradeTail.Wait(upgradePauses.beforeIdleStatus);
    ui_.SetStatusLine("Current Process");
    return memberVerdict == 1;
}

} // namespace tarnwell
