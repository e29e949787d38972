#include "device/setting_operations.h"

#include "device/command_connection.h"
#include "device/mac_ledger.h"
#include "journal/mac_number.h"
#include "protocol/mac_text_block.h"
#include "protocol/reply_decoding.h"
#include "text/mac_text.h"

namespace tarnwell {

namespace {

// A command block and its payload for a command the device does not answer,
// on a fresh connection, judged by how the device ends it.
void SendUnanswered(CommandConnection& connection, StepReport& report, const CommandBlock& block, const uint8_t* payload,
                    size_t length, const BilingualText& sendFailure) {
    if (!connection.Send(block) ||
        (payload != nullptr && !connection.Send(payload, length, Deadline::After(connection.Wait())))) {
        report.Fail(FailureKind::Send, sendFailure);
        return;
    }
    switch (connection.ConfirmDelivery()) {
    case StepResult::Ok:
        break;
    case StepResult::Unconfirmed:
        report.Unconfirmed(DeliveryUnknownReason());
        break;
    default:
        report.Fail(FailureKind::ConnectionReset, sendFailure);
        break;
    }
}

Outcome SendSelection(const UnitSession& session, uint8_t code, int selection, const char* chineseConnectFailure,
                      const BilingualText& sendFailure) {
    StepReport report(session);
    CommandConnection connection(session, report);
    if (connection.Open(chineseConnectFailure)) {
        CommandBlock block(code);
        block.ParameterLittleEndian(4);
        const CommandBytes value = MakeValueBlock(selection);
        SendUnanswered(connection, report, block, value.data(), value.size(), sendFailure);
    }
    return report.Finish();
}

const BilingualText kNoLanguageAnswer{"设备没有应答语言查询", "no answer to the language query"};
const BilingualText kLanguageAnswerCut{"语言查询的应答不完整", "the answer to the language query was cut short"};
const BilingualText kNotALanguageList{"设备对语言查询的应答不是语言列表,未设置语言",
                                      "the device did not answer the language query with its language list: "
                                      "no language was set"};

} // namespace

Outcome RebootDevice(const UnitSession& session, Milliseconds wait) {
    StepReport report(session);
    CommandConnection connection(session, report);
    if (connection.Open("连接失败 3", wait) == CommandConnection::Opened::Yes)
        SendUnanswered(connection, report, CommandBlock(CmdReboot), nullptr, 0,
                       {"发送数据失败--Reboot", "Send data error -- Reboot"});
    return report.Finish();
}

Outcome SetLanguage(const UnitSession& session, int selection) {
    return SendSelection(session, CmdSetLanguage, selection, "连接失败5", {"发送数据失败", "Send data error"});
}

Outcome SetVideoStandard(const UnitSession& session, int selection) {
    return SendSelection(session, CmdSetVideoStandard, selection, "连接失败7", {"发送数据失败", "Send data error!"});
}

Outcome UpdateLanguage(const UnitSession& session, const std::string& wantedName, int selection) {
    StepReport report(session);
    CommandConnection query(session, report);
    if (!query.Open("连接失败8!")) return report.Finish();
    CommandBlock block(CmdQuery);
    block.SubCode(QueryLanguageList);
    if (!query.Send(block)) {
        report.Fail(FailureKind::Send, {"发送数据失败", "Send data error"});
        return report.Finish();
    }
    ReplyRead answer = query.Answer(Deadline::After(query.Wait()));
    if (!answer.Complete()) {
        report.FailQuietly(answer.reply.received > 0 ? FailureKind::BadReply : FailureKind::ReplyTimeout,
                           answer.reply.received > 0 ? kLanguageAnswerCut : kNoLanguageAnswer);
        return report.Finish();
    }
    const DecodedReply decoded = DecodeDeviceReply(answer.reply);
    if (decoded.flashLayout && session.flashLayout != nullptr) *session.flashLayout = *decoded.flashLayout;
    if (decoded.deviceFailed) report.Say({"更新失败!", "Update Failed!"});
    if (!decoded.languageList) {
        report.FailQuietly(FailureKind::NotApplied, kNotALanguageList);
        return report.Finish();
    }
    if (!LanguageListHas(*decoded.languageList, wantedName)) {
        report.Refused(FailureKind::Unsupported, {"不支持这种语言!", "does not support this language!"});
        return report.Finish();
    }
    report.Details().languageFound = true;
    // The query connection stays open while the setting opens its own.
    const Outcome set = SetLanguage(session, selection);
    report.Absorb(set);
    if (set.result == StepResult::Unconfirmed) report.Unconfirmed(set.reason);
    else if (!set.Ok()) report.FailQuietly(set.failure, set.Explanation());
    return report.Finish();
}

Outcome SetDeviceTime(const UnitSession& session, const LocalDateTime& date, const LocalDateTime& time) {
    StepReport report(session);
    CommandConnection connection(session, report);
    switch (connection.Open("连接失败6", session.limits.reply)) {
    case CommandConnection::Opened::NoSocket:
        // The one setting that tells the operator of a missing socket.
        report.Say({"创建套接字失败", "Create SOCKET Failed!"});
        return report.Finish();
    case CommandConnection::Opened::Failed:
        return report.Finish();
    case CommandConnection::Opened::Yes:
        break;
    }
    CommandBlock block(CmdSetTime);
    block.ParameterLittleEndian(32);
    const CommandBytes clock =
        MakeTimeBlock(DeviceClock{date.year, date.month, date.day, time.hour, time.minute, time.second});
    SendUnanswered(connection, report, block, clock.data(), clock.size(), {"发送数据失败", "Send data error!"});
    return report.Finish();
}

Outcome SetMacAddress(const UnitSession& session, const std::string& macText) {
    StepReport report(session);
    // A text that is not an address is never sent, and so never stepped.
    const std::optional<uint64_t> number =
        ValidateMacText(macText) == kMacTextWellFormed ? ParseMacNumber(macText) : std::nullopt;
    if (!number) {
        report.Fail(FailureKind::BadInput, {"MAC地址无效!", "MAC address is not effective!"});
        return report.Finish();
    }
    // No device may carry these; writing one would break the unit's network.
    if (!IsAssignableMac(*number)) {
        const std::string shown = FormatMacNumber(*number);
        report.Fail(FailureKind::BadInput,
                    {"MAC地址 " + shown + " 不能用于设备(全零、组播或广播地址)!",
                     "MAC address " + shown + " cannot be a device's own (all zeros, multicast or broadcast)!"});
        return report.Finish();
    }
    // One form on the wire and in the journal, however the operator typed it.
    const std::string normal = FormatMacNumber(*number);
    // Committed as reserved before the block can leave.
    if (session.macLedger != nullptr) {
        if (auto refusal = session.macLedger->Reserve(normal)) {
            report.Fail(refusal->kind, refusal->message);
            return report.Finish();
        }
    }
    CommandConnection connection(session, report);
    if (connection.Open("连接失败9!")) {
        CommandBlock block(CmdSetMac);
        block.ParameterLittleEndian(17);
        const MacTextBlock text = MakeMacTextBlock(normal);
        SendUnanswered(connection, report, block, text.data(), text.size(), {"发送数据失败!", "Send data error!"});
        connection.Close();
    }
    if (session.macLedger != nullptr) {
        if (auto fault = session.macLedger->Settle(report.Result())) report.Say(*fault);
    }
    return report.Finish();
}

Outcome TestLink(const UnitSession& session) {
    StepReport report(session);
    CommandConnection connection(session, report);
    // Shown in Chinese whatever the interface language.
    if (connection.Open("连接失败10!")) report.Keep({"连接成功", "连接成功"});
    return report.Finish();
}

} // namespace tarnwell
