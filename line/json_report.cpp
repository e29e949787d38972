#include "line/json_report.h"

#include "journal/journal.h"

namespace tarnwell::line {

namespace {

using nlohmann::json;

json Messages(const std::vector<BilingualText>& messages) {
    json list = json::array();
    for (const auto& text : messages) list.push_back({{"chinese", text.chinese}, {"english", text.english}});
    return list;
}

// Texts from devices and files may hold bytes that are not UTF-8; they are
// replaced rather than ending the report.
std::string Dump(const json& object) { return object.dump(-1, ' ', false, json::error_handler_t::replace); }

} // namespace

JobSummary Summarise(const std::vector<UnitRecord>& records, bool interrupted, double seconds) {
    JobSummary summary;
    summary.units = records.size();
    for (const auto& record : records) {
        switch (record.outcome) {
        case UnitOutcome::Succeeded: ++summary.succeeded; break;
        case UnitOutcome::Failed: ++summary.failed; break;
        case UnitOutcome::Stopped: ++summary.stopped; break;
        case UnitOutcome::Unconfirmed: ++summary.unconfirmed; break;
        }
    }
    summary.interrupted = interrupted;
    summary.seconds = seconds;
    summary.exitStatus = summary.succeeded == summary.units ? 0 : 1;
    return summary;
}

void JsonReport::StepEnded(const UnitPlan& unit, const StepRecord& record) {
    json line = {{"type", "step"},
                 {"unit", unit.address},
                 {"step", StepName(record.step)},
                 {"result", ResultName(record)},
                 {"messages", Messages(record.messages)},
                 {"bytes_sent", record.bytesSent},
                 {"seconds", record.seconds}};
    if (record.failure != FailureKind::None) line["failure"] = FailureKindName(record.failure);
    if (record.attempts > 1) line["attempts"] = record.attempts;
    WriteLine(std::move(line));
}

void JsonReport::UnitEnded(const UnitRecord& record) {
    json steps = json::array();
    for (const auto& step : record.steps) steps.push_back({{"step", StepName(step.step)}, {"result", ResultName(step)}});
    json notRun = json::array();
    for (Step step : record.notRun) notRun.push_back(StepName(step));
    json unit = {{"type", "unit"},
                 {"unit", record.plan.address},
                 {"result", OutcomeName(record.outcome)},
                 {"steps", steps},
                 {"not_run", notRun},
                 {"seconds", record.seconds}};
    if (!record.plan.mac.empty()) unit["mac"] = record.plan.mac;
    if (!record.plan.serial.empty()) unit["serial"] = record.plan.serial;
    if (!packageSha256_.empty()) unit["package_sha256"] = packageSha256_;
    if (record.journalUnit != 0) unit["journal_unit"] = record.journalUnit;
    WriteLine(std::move(unit));
}

void JsonReport::WriteSummary(const JobSummary& summary) {
    WriteLine({{"type", "summary"},
                    {"units", summary.units},
                    {"ok", summary.succeeded},
                    {"failed", summary.failed},
                    {"stopped", summary.stopped},
                    {"unconfirmed", summary.unconfirmed},
                    {"interrupted", summary.interrupted},
                    {"seconds", summary.seconds},
                    {"exit_status", summary.exitStatus}});
}

void JsonReport::WriteLine(json line) {
    std::lock_guard lock(mutex_);
    // Stamped under the lock, so the lines' times never go back.
    line["schema"] = kJsonSchemaVersion;
    line["time"] = JournalTimestamp();
    const std::string text = Dump(line);
    std::fputs(text.c_str(), out_);
    std::fputc('\n', out_);
    // A reading program sees each line as soon as it is complete.
    std::fflush(out_);
}

} // namespace tarnwell::line
