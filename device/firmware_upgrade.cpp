#include "device/firmware_upgrade.h"

#include "device/command_connection.h"
#include "device/member_senders.h"
#include "device/setting_operations.h"
#include "protocol/reply_decoding.h"

#include <thread>

namespace tarnwell {

namespace {

constexpr int kLastMemberIndex = 10;

const BilingualText kNoCommandAnswer{"没有接收到命令数据", "Can't Accept Command Data"};
const BilingualText kUpdateFailed{"升级失败", "Update failed"};
const BilingualText kNotRebooted{"升级完成,但重启命令没有送达设备", "upgraded, not rebooted: the reboot did not reach the unit"};
const BilingualText kRebootUnconfirmed{"升级完成,但无法确认设备已收到重启命令",
                                       "upgraded; the reboot went out but the unit gave no sign it took it"};

BilingualText MemberReadFailure(MemberRead outcome) {
    if (outcome == MemberRead::NoMemory)
        return {"内存不足,无法读取升级文件!", "Not enough memory to read the update file!"};
    return {"升级文件读取失败,文件可能已被改动!", "The update file can no longer be read; it may have changed!"};
}

enum class StepAnswer { Accepted, Refused, Missing, Unusable, DeviceFailed };

// `alone`: nothing but replies without effect may follow the answer before
// we send again.
StepAnswer AwaitStepAnswer(CommandConnection& connection, StepReport& report, const Deadline& deadline,
                           bool alone = true) {
    ReplyRead read = connection.Answer(deadline);
    if (read.reply.received <= 0) return StepAnswer::Missing;
    if (!read.Complete()) return StepAnswer::Unusable;
    const DecodedReply decoded = DecodeDeviceReply(read.reply);
    if (decoded.deviceFailed) {
        report.Say({"更新失败!", "Update Failed!"});
        return StepAnswer::DeviceFailed;
    }
    // More than one reply's bytes in answer to one step: no verdict can be trusted.
    if (alone && !connection.Replies().OnlyNoEffectRepliesFollow(deadline)) return StepAnswer::Unusable;
    if (decoded.verdict == ReplyVerdictKind::Accepted) return StepAnswer::Accepted;
    if (decoded.verdict == ReplyVerdictKind::Refused) return StepAnswer::Refused;
    return StepAnswer::Unusable;
}

// Says what an answer that is not acceptance means; true when accepted.
bool Accepted(StepReport& report, StepAnswer answer, const BilingualText& missing, const BilingualText& refused) {
    switch (answer) {
    case StepAnswer::Accepted: return true;
    case StepAnswer::Missing: report.Fail(FailureKind::ReplyTimeout, missing); break;
    case StepAnswer::Refused: report.Refused(FailureKind::Refused, refused); break;
    case StepAnswer::Unusable: report.Fail(FailureKind::BadReply, kUpdateFailed); break;
    case StepAnswer::DeviceFailed: report.FailQuietly(FailureKind::DeviceFailed, {"更新失败!", "Update Failed!"}); break;
    }
    return false;
}

// Every connection of the upgrade waits as long as a device writing flash needs.
bool OpenMemberChannel(CommandConnection& connection, StepReport& report, const UnitSession& session,
                       const char* chineseConnectFailure) {
    switch (connection.Open(chineseConnectFailure, session.limits.worker)) {
    case CommandConnection::Opened::Yes: return true;
    case CommandConnection::Opened::NoSocket:
        // The only failure the operator would otherwise never hear of.
        report.Say(kUpdateFailed);
        return false;
    case CommandConnection::Opened::Failed: return false;
    }
    return false;
}

bool Handshake(const UnitSession& session, StepReport& report) {
    CommandConnection connection(session, report);
    if (!OpenMemberChannel(connection, report, session, "连接失败 1!")) return false;
    CommandBlock handshake(CmdUpgradeHandshake);
    handshake.ParameterBigEndian(8);
    if (!connection.Send(handshake)) {
        report.Fail(FailureKind::Send, {"发送数据失败1", "Send data error!"});
        return false;
    }
    if (!connection.Send(MakeVersionBlock())) {
        report.Fail(FailureKind::Send, {"发送数据失败", "Send data error!"});
        return false;
    }
    // Without a word the operator would be left wondering whether anything ran.
    return Accepted(report, AwaitStepAnswer(connection, report, Deadline::After(connection.Wait())), kNoCommandAnswer,
                    {"升级协议版本不合", "UpdateTool's protocol version not applicable!"});
}

// One member on its own connection; true when the unit took all of it.
bool SendMember(const UnitSession& session, StepReport& report, CommandConnection& connection,
                const PackageMember& member, const uint8_t* data) {
    const bool installDescription = member.type == kInstallDescriptionType;
    if (installDescription) {
        if (!connection.Send(CommandBlock(CmdUpgradeFirstFile))) {
            report.Fail(FailureKind::Send, {"发送数据失败", "Send data error!"});
            return false;
        }
        SendFileAttr(connection, report, kInstallDescriptionType, member.size);
    } else {
        SendCmdReadyUpgrade(connection, report);
        // An empty member has nothing to wait for: its verdict may follow at once.
        const bool empty = member.size == 0;
        if (!Accepted(report, AwaitStepAnswer(connection, report, Deadline::After(connection.Wait()), !empty),
                      kNoCommandAnswer, kUpdateFailed))
            return false;
        // Nothing that arrived before the data can be the data's verdict.
        if (!empty) connection.DiscardPending();
    }
    // A member the device did not take whole is a failed upgrade, whatever it answers.
    if (member.size > 0 && !SendFile(connection, report, data, member.size, Deadline::After(connection.Wait())))
        return false;
    const BilingualText refused =
        installDescription ? BilingualText{"升级程序版本不合", "UpdateTool's program version not applicable!"}
                           : BilingualText{"发送数据后更新失败", "Update failed after send Data"};
    return Accepted(report, AwaitStepAnswer(connection, report, Deadline::After(connection.Wait())),
                    {"发送数据后没有收到反馈信息", "Can't accpet data after send data"}, refused);
}

} // namespace

Outcome UpgradeFirmware(const UnitSession& session, const FirmwarePackage& package) {
    StepReport report(session);
    OperationObserver& observer = session.Observer();
    const int members = package.MemberCount();
    report.Details().members = members;
    if (!Handshake(session, report)) return report.Finish();
    observer.MembersStarting();

    bool allTaken = false;
    for (int index = 0; index <= kLastMemberIndex; ++index) {
        const PackageMember& member = package.Table()[static_cast<size_t>(index)];
        observer.MemberStarting(index, members);
        // A stop comes between members, so no member is ever cut short on the wire;
        // a device that has not had all of them must not be restarted.
        if (session.StopRequested() && member.present) {
            report.Stopped({"升级已中止", "Update stopped"});
            allTaken = false;
            break;
        }
        CommandConnection connection(session, report);
        if (!OpenMemberChannel(connection, report, session, "连接失败2!")) {
            allTaken = false;
            break;
        }
        if (!member.present) break; // the previous member's verdict stands
        report.Details().member = index + 1;

        // Read before anything of the member goes out: a device must never get
        // a member announced and then cut short or filled with garbage.
        MemberBytes scratch;
        const uint8_t* data = nullptr;
        const MemberRead read = package.Member(static_cast<size_t>(index), scratch, data);
        allTaken = false;
        if (read != MemberRead::Complete) {
            report.Fail(FailureKind::LocalFile, MemberReadFailure(read));
            break;
        }
        if (!SendMember(session, report, connection, member, data)) break;
        observer.WritingMember(index);
        allTaken = true;
        connection.Close();
        std::this_thread::sleep_for(session.pauses.betweenMembers);
    }

    if (allTaken && session.StopRequested()) {
        // Every member went in, but a stopped unit is left as it is.
        report.Stopped({"升级已中止", "Update stopped"});
    } else if (allTaken) {
        const Outcome reboot = RebootDevice(session, session.limits.worker);
        report.Absorb(reboot);
        if (reboot.result == StepResult::Unconfirmed)
            report.Unconfirmed(kRebootUnconfirmed);
        else if (!reboot.Ok())
            report.FailQuietly(FailureKind::NotRebooted, kNotRebooted);
    } else if (!report.Failing()) {
        report.FailQuietly(FailureKind::BadReply, kUpdateFailed);
    }
    return report.Finish();
}

Outcome UpgradeFirmwareFromFile(const UnitSession& session, const std::string& packagePath) {
    auto package = FirmwarePackage::OnDisk(packagePath);
    if (!package) {
        StepReport report(session);
        report.Fail(FailureKind::LocalFile, {"文件格式错误!", "File format error!"});
        return report.Finish();
    }
    return UpgradeFirmware(session, *package);
}

bool AllMembersTaken(const Outcome& upgrade) {
    return upgrade.Ok() || upgrade.failure == FailureKind::NotRebooted ||
           (upgrade.result == StepResult::Unconfirmed);
}

} // namespace tarnwell
