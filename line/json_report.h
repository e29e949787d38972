#pragma once
// --json: one JSON object per line on the result stream, written as things
// happen: a "step" object when a unit ends a step, a "unit" object when a
// unit ends, and one "summary" object last. Each carries the schema's version
// and the moment it was written. The README documents the fields.
#include "line/line_observer.h"

#include <nlohmann/json.hpp>

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

// Raised when a field changes its meaning or goes; new fields keep it.
inline constexpr int kJsonSchemaVersion = 1;

class JsonReport : public LineObserver {
public:
    // `packageSha256`: of the job's firmware package, "" without one.
    JsonReport(std::FILE* out, std::string packageSha256 = {})
        : out_(out), packageSha256_(std::move(packageSha256)) {}

    void StepEnded(const UnitPlan& unit, const StepRecord& record) override;
    void UnitEnded(const UnitRecord& record) override;
    void WriteSummary(const JobSummary& summary);

private:
    void WriteLine(nlohmann::json line);

    std::FILE* out_;
    std::string packageSha256_;
    std::mutex mutex_;
};

} // namespace tarnwell::line
