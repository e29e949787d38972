#pragma once
// --json: one JSON object per line on the result stream, written as things
// happen: a "step" object when a unit ends a step, a "unit" object when a
// unit ends, and one "summary" object last. The README documents the fields.
#include "line/line_observer.h"

#include <cstdio>
#include <mutex>

namespace tarnwell::line {

struct JobSummary {
    size_t units = 0, succeeded = 0, failed = 0, stopped = 0, unconfirmed = 0;
    bool interrupted = false;
    double seconds = 0;
    int exitStatus = 0;
};

JobSummary Summarise(const std::vector<UnitRecord>& records, bool interrupted, double seconds);

class JsonReport : public LineObserver {
public:
    explicit JsonReport(std::FILE* out) : out_(out) {}

    void StepEnded(const UnitPlan& unit, const StepRecord& record) override;
    void UnitEnded(const UnitRecord& record) override;
    void WriteSummary(const JobSummary& summary);

private:
    void WriteLine(const std::string& line);

    std::FILE* out_;
    std::mutex mutex_;
};

} // namespace tarnwell::line
