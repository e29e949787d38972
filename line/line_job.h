#pragma once
// A line job: its units, at most `jobs` of them at once, each on a thread of
// its own with its own console.
#include "line/unit_run.h"

#include <functional>

namespace tarnwell::line {

struct LineJob {
    std::vector<UnitPlan> units; // in address order
    UnitSettings settings;
    int jobs = 0;                // units at once; 0 for all
};

// Runs the job to its end and returns every unit's record in the units' order.
// Once `stop` is set no unit or step starts; units that never started are
// recorded as stopped with all their steps not run. `tick` runs on the calling
// thread about five times a second while units run (the progress display).
std::vector<UnitRecord> RunLineJob(const LineJob& job, LineObserver& observer, const std::atomic<bool>& stop,
                                   const std::function<void()>& tick = {});

} // namespace tarnwell::line
