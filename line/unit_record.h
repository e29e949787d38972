#pragma once
// What happened to one unit: each step that ran with its result, the messages
// the console would have shown in a box, the bytes sent and the time taken.
#include "app/bilingual_text.h"
#include "line/unit_plan.h"

#include <cstdint>
#include <vector>

namespace tarnwell::line {

struct StepRecord {
    Step step = Step::Language;
    bool succeeded = false;
    bool stopped = false; // cut short by the job's stop, not failed by the unit
    std::vector<BilingualText> messages;
    uint64_t bytesSent = 0;
    double seconds = 0;
};

enum class UnitOutcome {
    Succeeded, // every step succeeded
    Failed,    // a step failed
    Stopped,   // the job was stopped before all steps ran (and none failed)
};

// "ok", "failed", "stopped".
const char* OutcomeName(UnitOutcome outcome);
const char* ResultName(const StepRecord& step);

struct UnitRecord {
    UnitPlan plan;
    UnitOutcome outcome = UnitOutcome::Stopped;
    std::vector<StepRecord> steps;
    std::vector<Step> notRun; // steps left out because the job was stopped
    double seconds = 0;
};

} // namespace tarnwell::line
