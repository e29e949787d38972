#pragma once
// What happened to one unit: each step that ran with its outcome, the
// messages the console would have shown in a box, the bytes sent and the time.
#include "device/outcome.h"
#include "line/unit_plan.h"
#include "text/bilingual_text.h"

#include <cstdint>
#include <vector>

namespace tarnwell::line {

struct StepRecord {
    Step step = Step::Language;
    StepResult result = StepResult::Failed;
    FailureKind failure = FailureKind::None;
    // What the operator would have been shown; a failure nobody was shown
    // ends with its reason.
    std::vector<BilingualText> messages;
    uint64_t bytesSent = 0;
    double seconds = 0;
    int attempts = 1; // more when the step was retried

    bool Ok() const { return result == StepResult::Ok; }
};

// A step's record from an operation's outcome.
StepRecord RecordOf(Step step, const Outcome& outcome);

enum class UnitOutcome {
    Succeeded,   // every step succeeded
    Failed,      // a step failed or was refused
    Stopped,     // the job was stopped before all steps ran (and none failed)
    Unconfirmed, // nothing failed, but a step went out without evidence it took
};

// "ok", "failed", "stopped", "unconfirmed".
const char* OutcomeName(UnitOutcome outcome);
const char* ResultName(const StepRecord& step);

struct UnitRecord {
    UnitPlan plan;
    UnitOutcome outcome = UnitOutcome::Stopped;
    std::vector<StepRecord> steps;
    std::vector<Step> notRun; // steps left out: the job was stopped, or the unit never came online
    double seconds = 0;
    int64_t journalUnit = 0;  // the unit's id in the journal; 0 when it has none
};

// The unit's outcome from its steps.
UnitOutcome OutcomeOf(const std::vector<StepRecord>& steps, bool allRan);

} // namespace tarnwell::line
