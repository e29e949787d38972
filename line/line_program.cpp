#include "line/line_program.h"

#include "line/json_report.h"
#include "line/line_command.h"
#include "journal/journal.h"
#include "journal/journal_fault_text.h"
#include "journal/station_memory.h"
#include "line/line_journal.h"
#include "line/open_journal_units.h"
#include "line/progress_board.h"
#include "line/unit_logs.h"
#include "platform/stop_request.h"
#include "platform/terminal.h"
#include "net/device_search_library.h"

#include <chrono>
#include <cstdlib>

namespace tarnwell::line {

namespace {

void PrintResults(std::FILE* out, const std::vector<UnitRecord>& records, const JobSummary& summary) {
    std::fprintf(out, "\n");
    for (const UnitRecord& record : records) {
        std::string steps;
        for (const StepRecord& step : record.steps) {
            steps += std::string(steps.empty() ? "" : ", ") + StepName(step.step) + " " + ResultName(step);
            if (!step.Ok() && !step.messages.empty()) steps += " [" + MessageText(step.messages.back()) + "]";
        }
        for (Step step : record.notRun) steps += std::string(steps.empty() ? "" : ", ") + StepName(step) + " not run";
        std::string identity;
        if (!record.plan.mac.empty()) identity += " mac " + record.plan.mac;
        if (!record.plan.serial.empty()) identity += " serial " + record.plan.serial;
        std::fprintf(out, "%-15s %-7s %s%s\n", record.plan.address.c_str(), OutcomeName(record.outcome),
                     steps.c_str(), identity.c_str());
    }
    std::string unconfirmed;
    if (summary.unconfirmed > 0) unconfirmed = ", " + std::to_string(summary.unconfirmed) + " unconfirmed";
    std::fprintf(out, "%zu units: %zu ok, %zu failed, %zu stopped%s%s (%.1f s)\n", summary.units, summary.succeeded,
                 summary.failed, summary.stopped, unconfirmed.c_str(), summary.interrupted ? ", interrupted" : "",
                 summary.seconds);
    std::fflush(out);
}

std::string StoppingNotice(size_t running) {
    return "stopping: " + std::to_string(running) + (running == 1 ? " unit finishes its" : " units finish their") +
           " current member (Ctrl-C again to leave at once)";
}

// A second Ctrl-C: the units still running are closed as interrupted in the
// journal, then the program ends without waiting for them.
void Abandon(OpenJournalUnits& open, const UnitJournal& journal, ProgressBoard& board, std::FILE* err,
             const ProgramSettings& settings) {
    size_t closed = 0;
    std::string error;
    if (open.CloseAll(journal, "interrupted", closed, error))
        board.Notice("interrupted: " + std::to_string(closed) + " running units closed as interrupted in the journal");
    else
        std::fprintf(err, "tarnwell-line: the running units could not be closed in the journal: %s\n", error.c_str());
    if (settings.abandon) return settings.abandon(kExitInterrupted);
    std::fflush(nullptr);
    std::_Exit(kExitInterrupted);
}

} // namespace

int RunLineProgram(const std::vector<std::string>& arguments, LineStreams streams, const ProgramSettings& settings) {
    ParsedCommand parsed = ParseLineCommand(arguments);
    if (!parsed.command) {
        if (parsed.exitStatus == kExitAllSucceeded) {
            std::fputs(parsed.text.c_str(), streams.out);
            return kExitAllSucceeded;
        }
        std::fprintf(streams.err, "tarnwell-line: %s\nRun with --help for the options.\n", parsed.text.c_str());
        return kExitBadUsage;
    }
    LineJob job;
    job.settings = settings.units;
    std::string error;
    const std::string library =
        settings.searchLibraryPath.empty() ? DefaultDeviceSearchLibraryPath() : settings.searchLibraryPath;
    if (!BuildLineJob(*parsed.command, library, job, error)) {
        std::fprintf(streams.err, "tarnwell-line: %s\n", error.c_str());
        return kExitBadUsage;
    }
    // Every unit is recorded, as the console records its own.
    UnitJournal& journal = job.settings.journal;
    journal.enabled = true;
    if (journal.location.empty()) journal.location = DefaultJournalPath();
    if (journal.stationMemory.empty()) journal.stationMemory = DefaultStationMemoryPath();
    // A relative path was made absolute: say which file that is.
    if (!parsed.command->journal.empty() && journal.location != parsed.command->journal &&
        journal.location.rfind("postgres", 0) != 0)
        std::fprintf(streams.err, "tarnwell-line: journal %s\n", journal.location.c_str());
    journal.shared = OpenLineJournal(journal, job.units, error);
    if (!journal.shared) {
        std::fprintf(streams.err, "tarnwell-line: %s\n", error.c_str());
        return kExitBadUsage;
    }

    // Progress never mixes with JSON lines: with --json it goes to the error stream.
    std::FILE* progressStream = parsed.command->json ? streams.err : streams.out;
    const bool inPlace = PrepareCursorTerminal(progressStream);
    ProgressBoard board(progressStream, inPlace, job.units, inPlace ? TerminalColumns(progressStream) : 80,
                        inPlace ? TerminalRows(progressStream) : 0);
    JsonReport json(streams.out, job.settings.firmware ? job.settings.firmware->Sha256() : std::string());
    ObserverList observers;
    observers.Add(board);
    if (parsed.command->json) observers.Add(json);
    UnitLogs logs;
    if (!parsed.command->logDir.empty()) {
        if (!logs.Open(parsed.command->logDir, error)) {
            std::fprintf(streams.err, "tarnwell-line: %s\n", error.c_str());
            return kExitBadUsage;
        }
        observers.Add(logs);
    }

    OpenJournalUnits openUnits;
    job.settings.journal.openUnits = &openUnits;
    CatchStopRequests(StopSources::Interrupt, SecondInterrupt::Reported);
    bool toldStopping = false, abandoned = false;
    auto tick = [&] {
        if (StopRequested().load() && !toldStopping) {
            toldStopping = true;
            board.Notice(StoppingNotice(board.RunningUnits()));
        }
        if (SecondStopRequested().load() && !abandoned) {
            abandoned = true;
            Abandon(openUnits, job.settings.journal, board, streams.err, settings);
        }
        board.Redraw();
    };
    const auto start = std::chrono::steady_clock::now();
    std::vector<UnitRecord> records = RunLineJob(job, observers, StopRequested(), tick);
    board.Redraw();
    const double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    const JobSummary summary = Summarise(records, StopRequested().load(), seconds);
    ReleaseStopRequests();

    if (parsed.command->json)
        json.WriteSummary(summary);
    else
        PrintResults(streams.out, records, summary);
    if (journal.shared->HasFailedWith(JournalFault::FenceConflict)) {
        const JournalMessage reason = JournalFaultReason(JournalFault::FenceConflict);
        std::fprintf(streams.err, "tarnwell-line: %s / %s: two devices may carry the same MAC, see the units above\n",
                     reason.chinese.c_str(), reason.english.c_str());
    }
    // A full disk is the journal refusing the job, whenever it happens.
    if (journal.shared->HasFailedWith(JournalFault::DiskFull)) {
        const JournalMessage reason = JournalFaultReason(JournalFault::DiskFull);
        std::fprintf(streams.err, "tarnwell-line: %s / %s: the journal could not record every unit\n",
                     reason.chinese.c_str(), reason.english.c_str());
        return kExitBadUsage;
    }
    return summary.exitStatus;
}

} // namespace tarnwell::line
