#include "line/unit_record.h"

namespace tarnwell::line {

StepRecord RecordOf(Step step, const Outcome& outcome) {
    StepRecord record;
    record.step = step;
    record.result = outcome.result;
    record.failure = outcome.failure;
    record.messages = outcome.messages;
    // A failure must say why, also where the console would have stayed silent.
    const BilingualText why = outcome.Explanation();
    const bool said = !record.messages.empty() && record.messages.back().english == why.english;
    if (!outcome.Ok() && !said && !why.english.empty()) record.messages.push_back(why);
    record.bytesSent = outcome.details.bytesSent;
    record.seconds = std::chrono::duration<double>(outcome.details.elapsed).count();
    return record;
}

const char* OutcomeName(UnitOutcome outcome) {
    switch (outcome) {
    case UnitOutcome::Succeeded: return "ok";
    case UnitOutcome::Failed: return "failed";
    case UnitOutcome::Stopped: return "stopped";
    case UnitOutcome::Unconfirmed: return "unconfirmed";
    }
    return "?";
}

const char* ResultName(const StepRecord& step) { return StepResultName(step.result); }

UnitOutcome OutcomeOf(const std::vector<StepRecord>& steps, bool allRan) {
    bool stopped = !allRan, unconfirmed = false;
    for (const StepRecord& step : steps) {
        if (step.result == StepResult::Failed || step.result == StepResult::Refused) return UnitOutcome::Failed;
        stopped = stopped || step.result == StepResult::Stopped;
        unconfirmed = unconfirmed || step.result == StepResult::Unconfirmed;
    }
    if (stopped) return UnitOutcome::Stopped;
    return unconfirmed ? UnitOutcome::Unconfirmed : UnitOutcome::Succeeded;
}

} // namespace tarnwell::line
