#include "device/journal_mac_ledger.h"

#include "journal/mac_number.h"

namespace tarnwell {

BilingualText MacRefusalMessage(const MacReservation& refusal, const MacPool& pool, Journal& journal) {
    using Verdict = MacReservation::Verdict;
    const std::string mac = FormatMacNumber(refusal.mac);
    const std::string unit = std::to_string(refusal.holder);
    switch (refusal.verdict) {
    case Verdict::AlreadyWritten: {
        auto entry = journal.LookupMac(refusal.mac);
        const std::string station = entry ? entry->station : "";
        return {"MAC地址 " + mac + " 已写入另一台设备(日志单元 " + unit + ",工位 " + station + "),不能重复使用!",
                "MAC address " + mac + " was already written to another unit (journal unit " + unit + ", station " +
                    station + "); it is never used twice!"};
    }
    case Verdict::OutcomeUnknown:
        return {"MAC地址 " + mac + " 已被日志单元 " + unit + " 预留,但写入结果未知。请核实该设备后用 tarnwell-journal release " +
                    mac + " 释放。",
                "MAC address " + mac + " is reserved by journal unit " + unit +
                    ", whose write never reported back. Check that unit, then free the address with: tarnwell-journal "
                    "release " + mac};
    case Verdict::PoolExhausted: {
        const std::string last = pool.last ? FormatMacNumber(*pool.last) : mac;
        return {"MAC地址池已用完(最后地址 " + last + "),未向设备发送任何数据!",
                "The MAC address pool is used up (last address " + last + "); nothing was sent to the device!"};
    }
    case Verdict::NotAssignable:
        return {"MAC地址 " + mac + " 不能用于设备(全零、组播或广播地址),未向设备发送任何数据!",
                "MAC address " + mac + " cannot be a device's own (all zeros, multicast or broadcast); nothing was "
                                       "sent to the device!"};
    case Verdict::OutsidePool:
    case Verdict::Reserved: break;
    }
    const std::string first = pool.first ? FormatMacNumber(*pool.first) : "";
    const std::string last = pool.last ? FormatMacNumber(*pool.last) : "FF:FF:FF:FF:FF:FF";
    return {"MAC地址 " + mac + " 不在地址池 " + first + " - " + last + " 内!",
            "MAC address " + mac + " is outside the pool " + first + " to " + last + "!"};
}

MacReservation CheckMacFree(Journal& journal, uint64_t mac, const MacPool& pool) {
    using Verdict = MacReservation::Verdict;
    if (auto refusal = PoolRefusal(mac, pool)) return {*refusal, mac, 0, ""};
    auto entry = journal.LookupMac(mac);
    if (entry && entry->state == MacState::Written) return {Verdict::AlreadyWritten, mac, entry->unit, ""};
    if (entry && entry->state == MacState::Reserved) return {Verdict::OutcomeUnknown, mac, entry->unit, ""};
    return {Verdict::Reserved, mac, 0, ""};
}

JournalMacLedger::JournalMacLedger(std::function<std::shared_ptr<JournalUnit>()> unit, std::function<MacPool()> pool,
                                   std::function<void()> onFault)
    : unitSource_(std::move(unit)), poolSource_(std::move(pool)), onFault_(std::move(onFault)) {}

std::optional<LedgerRefusal> JournalMacLedger::Reserve(const std::string& macText) {
    reserved_ = false;
    try {
        unit_ = unitSource_();
        if (!unit_) return std::nullopt;
        auto mac = ParseMacNumber(macText);
        if (!mac) return LedgerRefusal{FailureKind::BadInput, {"MAC地址无效!", "MAC address is not effective!"}};
        const MacPool pool = poolSource_();
        MacReservation reservation = unit_->Records().ReserveMac(*mac, unit_->Id(), pool);
        if (reservation.verdict != MacReservation::Verdict::Reserved) {
            unit_->MarkFailed();
            return LedgerRefusal{FailureKind::Refused, MacRefusalMessage(reservation, pool, unit_->Records())};
        }
        mac_ = *mac;
        token_ = reservation.token;
        reserved_ = true;
        return std::nullopt;
    } catch (const JournalError& error) {
        if (unit_) unit_->MarkFailed();
        if (onFault_) onFault_();
        return LedgerRefusal{FailureKind::Journal, JournalFaultMessage(error)};
    }
}

std::optional<BilingualText> JournalMacLedger::Settle(StepResult result) {
    if (!reserved_) return std::nullopt;
    reserved_ = false;
    // No evidence either way: the address stays reserved, blocked for every
    // other unit until the unit is checked and the address released or confirmed.
    if (result == StepResult::Unconfirmed) return std::nullopt;
    try {
        unit_->Records().SetMacOutcome(mac_, unit_->Id(), token_,
                                       result == StepResult::Ok ? MacState::Written : MacState::Failed);
        return std::nullopt;
    } catch (const JournalError& error) {
        // Left reserved: the address is still never handed out again.
        unit_->MarkFailed();
        if (onFault_) onFault_();
        return JournalFaultMessage(error);
    }
}

JournalMacLedger::~JournalMacLedger() {
    if (!reserved_) return;
    try {
        unit_->Records().SetMacOutcome(mac_, unit_->Id(), token_, MacState::Failed);
    } catch (const JournalError&) {
        // Left reserved: the address stays blocked until someone releases it.
    }
}

} // namespace tarnwell
