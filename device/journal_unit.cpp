#include "device/journal_unit.h"

#include "journal/journal_fault_text.h"

namespace tarnwell {

namespace {

// Higher ranks win: a unit that failed anywhere stays failed.
int Rank(const std::string& outcome) {
    if (outcome == kOutcomeFailed) return 3;
    if (outcome == "stopped") return 2;
    if (outcome == "unconfirmed") return 1;
    return 0;
}

} // namespace

BilingualText JournalFaultMessage(const JournalError& error) {
    // Two devices may carry the MAC: that is said loudly, not as a fault.
    if (auto conflict = dynamic_cast<const MacFenceConflict*>(&error)) {
        const JournalMessage loud = FenceConflictMessage(*conflict);
        return {loud.chinese, loud.english};
    }
    const JournalMessage reason = JournalFaultReason(error.Fault());
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
