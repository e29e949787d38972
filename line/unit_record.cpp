#include "line/unit_record.h"

namespace tarnwell::line {

const char* OutcomeName(UnitOutcome outcome) {
    switch (outcome) {
    case UnitOutcome::Succeeded: return "ok";
    case UnitOutcome::Failed: return "failed";
    case UnitOutcome::Stopped: return "stopped";
    }
    return "?";
}

const char* ResultName(const StepRecord& step) {
    if (step.succeeded) return "ok";
    return step.stopped ? "stopped" : "failed";
}

} // namespace tarnwell::line
