#include "device/journal_unit.h"

namespace tarnwell {

namespace {

BilingualText FaultReason(JournalFault fault) {
    switch (fault) {
    case JournalFault::CannotOpen: return {"无法打开制造日志", "the journal cannot be opened"};
    case JournalFault::Corrupt: return {"制造日志已损坏或不是制造日志", "the journal is damaged or is not a journal"};
    case JournalFault::NewerSchema: return {"制造日志由更新版本的程序写入", "the journal was written by a newer Tarnwell"};
    case JournalFault::DiskFull: return {"磁盘已满", "the disk is full"};
    case JournalFault::Locked: return {"制造日志被另一程序锁定", "another program holds the journal locked"};
    case JournalFault::ReadOnly: return {"制造日志不可写", "the journal cannot be written"};
    case JournalFault::ConnectionLost: return {"与日志数据库的连接已断开", "the connection to the journal database was lost"};
    case JournalFault::NotBuiltIn: return {"此版本不含制造日志数据库", "this build has no journal databases"};
    case JournalFault::Failed: break;
    }
    return {"制造日志操作失败", "a journal operation failed"};
}

// Higher ranks win: a unit that failed anywhere stays failed.
int Rank(const std::string& outcome) {
    if (outcome == kOutcomeFailed) return 3;
    if (outcome == "stopped") return 2;
    if (outcome == "unconfirmed") return 1;
    return 0;
}

} // namespace

BilingualText JournalFaultMessage(const JournalError& error) {
    BilingualText reason = FaultReason(error.Fault());
    return {"制造日志不可用(" + reason.chinese + "),操作已停止,不再向设备发送: " + error.what(),
            "The manufacturing journal cannot be used (" + reason.english +
                "); the action stops and nothing more is sent to the device: " + error.what()};
}

void JournalUnit::SetOutcome(const std::string& outcome) {
    std::lock_guard lock(mutex_);
    if (Rank(outcome) >= Rank(outcome_)) outcome_ = outcome;
}

JournalUnit::~JournalUnit() {
    try {
        journal_.FinishUnit(id_, outcome_);
    } catch (const JournalError&) {
        // The unit keeps "running": its end is unknown, which is the truth.
    }
}

void RecordOutcome(JournalUnit& unit, const std::string& step, const std::string& startedAt, const Outcome& outcome) {
    StepRecord record;
    record.step = step;
    record.startedAt = startedAt;
    record.endedAt = JournalTimestamp();
    record.result = StepResultName(outcome.result);
    for (const BilingualText& text : outcome.messages) record.messages.push_back({text.chinese, text.english});
    const BilingualText why = outcome.Explanation();
    if (!outcome.Ok() && outcome.messages.empty() && !why.english.empty())
        record.messages.push_back({why.chinese, why.english});
    unit.Records().RecordStep(unit.Id(), record);
}

} // namespace tarnwell
