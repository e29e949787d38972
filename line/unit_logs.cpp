#include "line/unit_logs.h"

#include "journal/journal.h"
#include "line/progress_board.h"

#include <filesystem>

namespace tarnwell::line {

bool UnitLogs::Open(const std::string& folder, std::string& error) {
    std::error_code failure;
    std::filesystem::create_directories(folder, failure);
    if (!std::filesystem::is_directory(folder, failure)) {
        error = "cannot make the log folder " + folder;
        return false;
    }
    folder_ = folder;
    return true;
}

void UnitLogs::Write(const std::string& address, const std::string& text) {
    std::lock_guard lock(mutex_);
    Log& log = logs_[address];
    if (!log.file) {
        const std::string path = (std::filesystem::path(folder_) / (address + ".log")).string();
        log.file.reset(std::fopen(path.c_str(), "a"));
        if (!log.file) return; // a full disk must not stop the units
    }
    std::fprintf(log.file.get(), "%s %s\n", JournalTimestamp().c_str(), text.c_str());
    std::fflush(log.file.get());
}

void UnitLogs::UnitStarted(const UnitPlan& unit) {
    std::string identity;
    if (!unit.mac.empty()) identity += " mac " + unit.mac;
    if (!unit.serial.empty()) identity += " serial " + unit.serial;
    Write(unit.address, "unit " + unit.address + " started" + identity);
}

void UnitLogs::StepStarted(const UnitPlan& unit, Step step) { Write(unit.address, std::string(StepName(step)) + " started"); }

void UnitLogs::Message(const UnitPlan& unit, Step step, const BilingualText& text) {
    Write(unit.address, std::string(StepName(step)) + ": " + MessageText(text));
}

void UnitLogs::Progress(const UnitPlan& unit, Step step, const std::string& status, int) {
    // Each new status once; the per cent moves too often to be worth a line.
    {
        std::lock_guard lock(mutex_);
        std::string& last = logs_[unit.address].status;
        if (status.empty() || status == last) return;
        last = status;
    }
    Write(unit.address, std::string(StepName(step)) + " " + status);
}

void UnitLogs::StepEnded(const UnitPlan& unit, const StepRecord& record) {
    std::string text = std::string(StepName(record.step)) + " " + ResultName(record);
    if (record.failure != FailureKind::None) text += std::string(" (") + FailureKindName(record.failure) + ")";
    char figures[96];
    std::snprintf(figures, sizeof figures, ": %.2f s, %llu bytes, %d attempt%s", record.seconds,
                  static_cast<unsigned long long>(record.bytesSent), record.attempts, record.attempts == 1 ? "" : "s");
    Write(unit.address, text + figures);
    if (!record.Ok() && !record.messages.empty())
        Write(unit.address, std::string(StepName(record.step)) + " because: " + MessageText(record.messages.back()));
}

void UnitLogs::UnitEnded(const UnitRecord& record) {
    std::string notRun;
    for (Step step : record.notRun) notRun += std::string(notRun.empty() ? ", not run: " : " ") + StepName(step);
    char seconds[32];
    std::snprintf(seconds, sizeof seconds, " (%.1f s)", record.seconds);
    std::string journal = record.journalUnit ? ", journal unit " + std::to_string(record.journalUnit) : "";
    Write(record.plan.address, std::string("unit ") + OutcomeName(record.outcome) + notRun + journal + seconds);
    std::lock_guard lock(mutex_);
    logs_.erase(record.plan.address);
}

} // namespace tarnwell::line
