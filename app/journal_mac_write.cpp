#include "app/journal_mac_write.h"

#include "app/operator_console.h"
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

bool JournalMacWrite::Reserve(const std::string& macText) {
    try {
        unit_ = RecordedAction::CurrentUnit(console_);
        if (!unit_) {
            done_ = true;
            return true;
        }
        auto mac = ParseMacNumber(macText);
        if (!mac) { // the caller's format check comes first
            done_ = true;
            return false;
        }
        const MacPool pool = console_.journal.Pool();
        MacReservation reservation = unit_->Records().ReserveMac(*mac, unit_->Id(), pool);
        if (reservation.verdict != MacReservation::Verdict::Reserved) {
            unit_->MarkFailed();
            done_ = true;
            console_.ShowBilingualMessage(MacRefusalMessage(reservation, pool, unit_->Records()));
            return false;
        }
        mac_ = *mac;
        token_ = reservation.token;
        return true;
    } catch (const JournalError& error) {
        done_ = true;
        if (unit_) unit_->MarkFailed();
        RecordedAction::StopCurrent();
        console_.ShowBilingualMessage(JournalFaultMessage(error));
        return false;
    }
}

void JournalMacWrite::Written() {
    if (done_) return;
    done_ = true;
    try {
        unit_->Records().SetMacOutcome(mac_, unit_->Id(), token_, MacState::Written);
    } catch (const JournalError& error) {
        unit_->MarkFailed();
        RecordedAction::StopCurrent();
        console_.ShowBilingualMessage(JournalFaultMessage(error));
    }
}

JournalMacWrite::~JournalMacWrite() {
    if (done_) return;
    try {
        unit_->Records().SetMacOutcome(mac_, unit_->Id(), token_, MacState::Failed);
    } catch (const JournalError&) {
        // Left reserved: the address stays blocked until someone releases it.
    }
}

} // namespace tarnwell
