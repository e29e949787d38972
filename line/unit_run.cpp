#include "line/unit_run.h"

#include "app/console_lists.h"
#include "device/firmware_upgrade.h"
#include "device/setting_operations.h"
#include "device/web_operations.h"
#include "device/arp_purge.h"
#include "line/step_retry.h"
#include "line/step_watch.h"
#include "line/wait_online.h"
#include "platform/work_folder.h"

#include <chrono>
#include <filesystem>

namespace tarnwell::line {

namespace {

using Clock = std::chrono::steady_clock;

double SecondsSince(Clock::time_point start) { return std::chrono::duration<double>(Clock::now() - start).count(); }

// A folder of the unit's own, so that no two units of the job share a work file.
std::string MakeUnitWorkFolder(const std::string& root, const std::string& address) {
    namespace fs = std::filesystem;
    const fs::path base = root.empty() ? fs::path(WorkFolderPath()) / "line" : fs::path(root);
    if (base.empty()) return {};
    const fs::path folder = base / address;
    std::error_code error;
    fs::create_directories(folder, error);
    fs::permissions(folder, fs::perms::owner_all, error);
    return fs::is_directory(folder, error) ? folder.string() : std::string();
}

// The console's names for the same operations, so that the journal reads alike.
const char* JournalStepName(Step step) {
    switch (step) {
    case Step::Online: return "WaitOnline";
    case Step::Language: return "UpdateLanguage";
    case Step::Mac: return "SetMacAddress";
    case Step::VideoStandard: return "SetVideoStandard";
    case Step::Time: return "SetDeviceTime";
    case Step::Serial: return "SetSerial";
    case Step::Firmware: return "UpgradeFirmware";
    case Step::Reboot: return "RebootDevice";
    }
    return "";
}

// Passes a unit's operation events on as the job's, for the step running now.
class UnitEvents : public OperationObserver {
public:
    UnitEvents(const UnitPlan& unit, LineObserver& observer) : unit_(unit), observer_(observer) {}
    void Begin(Step step) {
        step_ = step;
        status_.clear();
        percent_ = 0;
    }
    void Message(const BilingualText& text) override { observer_.Message(unit_, step_, text); }
    void MemberStarting(int index, int members) override {
        if (index >= members) return;
        status_ = "member " + std::to_string(index + 1) + " of " + std::to_string(members);
        percent_ = 0;
        observer_.Progress(unit_, step_, status_, percent_);
    }
    void Progress(int percent) override {
        if (percent == percent_) return;
        percent_ = percent;
        observer_.Progress(unit_, step_, status_, percent_);
    }
    void WritingMember(int) override { observer_.Progress(unit_, step_, status_ + " writing", 100); }

private:
    const UnitPlan& unit_;
    LineObserver& observer_;
    Step step_ = Step::Language;
    std::string status_;
    int percent_ = 0;
};

Outcome RunStep(Step step, const UnitSession& session, const UnitPlan& unit, const UnitSettings& settings) {
    switch (step) {
    case Step::Online:
        return WaitUntilOnline(session, settings.waitOnline);
    case Step::Language: {
        const int selection = *settings.steps.language;
        return UpdateLanguage(session, kLanguageNames[static_cast<size_t>(selection)], selection);
    }
    case Step::Mac:
        return SetMacAddress(session, unit.mac);
    case Step::VideoStandard:
        return SetVideoStandard(session, *settings.steps.videoStandard);
    case Step::Time: {
        const LocalDateTime now = LocalDateTime::Now();
        return SetDeviceTime(session, now, now);
    }
    case Step::Serial:
        return SetSerial(session, unit.serial);
    case Step::Firmware:
        return UpgradeFirmware(session, *settings.firmware);
    case Step::Reboot:
        return RebootDevice(session);
    }
    return {};
}

std::string WholeSeconds(Milliseconds limit) { return std::to_string((limit.count() + 999) / 1000); }

// A step cut short by its time fails, whatever the cut looked like inside.
Outcome TimedOut(Outcome outcome, Milliseconds limit) {
    if (outcome.Ok()) return outcome;
    outcome.result = StepResult::Failed;
    if (outcome.failure == FailureKind::Stopped || outcome.failure == FailureKind::None)
        outcome.failure = FailureKind::ReplyTimeout;
    outcome.reason = {"步骤超过 " + WholeSeconds(limit) + " 秒的时限", "the step ran past its time limit of " +
                                                                            WholeSeconds(limit) + " s (--step-timeout)"};
    outcome.messages.push_back(outcome.reason);
    return outcome;
}

// One try of a step, its time bounded by the watch (the wait for a unit to
// come online has its own time, and is never retried).
Outcome RunTimed(Step step, UnitSession& session, const UnitPlan& unit, const UnitSettings& settings,
                 StepWatch& watch) {
    if (step == Step::Online) return RunStep(step, session, unit, settings);
    // Waits count whole milliseconds: one cut by the deadline may end just before it.
    constexpr Milliseconds kWaitGrain{10};
    watch.Begin();
    session.operationDeadline = Deadline::After(settings.stepTimeout);
    Outcome outcome = RunStep(step, session, unit, settings);
    const bool late = session.operationDeadline.Bounded() && session.operationDeadline.Left() < kWaitGrain;
    session.operationDeadline = Deadline::None();
    return watch.End() || late ? TimedOut(std::move(outcome), settings.stepTimeout) : outcome;
}

} // namespace

UnitRecord RunUnit(const UnitPlan& unit, const UnitSettings& settings, LineObserver& observer,
                   const std::atomic<bool>& stop) {
    const auto unitStart = Clock::now();
    UnitRecord record;
    record.plan = unit;
    UnitEvents events(unit, observer);
    UnitJournalRecord journal(settings.journal, unit);

    UnitSession session;
    session.address = unit.address;
    session.webPortText = std::to_string(unit.webPort);
    // No wait inside a step may outlast the step.
    session.limits = StepLimits(settings.channelLimits, settings.stepTimeout);
    session.httpLimits = StepLimits(settings.httpLimits, settings.stepTimeout);
    session.pauses = settings.pauses;
    session.workFolder = MakeUnitWorkFolder(settings.workRoot, unit.address);
    StepWatch watch(stop, settings.stepTimeout);
    session.stop = &watch.Flag();
    session.observer = &events;
    std::atomic<int> flashLayout{0};
    session.flashLayout = &flashLayout;
    session.macLedger = journal.Ledger();

    observer.UnitStarted(unit);
    // As Update All does: the address's stale ARP entry goes before the first step.
    PurgeArpEntry(session);
    bool offline = false;
    for (Step step : settings.steps.InOrder()) {
        // After a stop, a journal fault or a unit that never came online nothing more goes to the unit.
        if (stop.load() || journal.Broken() || offline) {
            record.notRun.push_back(step);
            continue;
        }
        observer.StepStarted(unit, step);
        events.Begin(step);
        int attempts = 1;
        Outcome outcome = journal.Step(JournalStepName(step), [&] {
            if (step == Step::Firmware) {
                if (auto fault = journal.NotePackage(settings.firmware->Path(), settings.firmware->Sha256()))
                    return *fault;
            }
            const RetryPolicy policy{step == Step::Online ? 0 : settings.retries, settings.retryPause};
            return RunWithRetries(policy, stop, events, [&] { return RunTimed(step, session, unit, settings, watch); },
                                  attempts);
        });
        offline = step == Step::Online && !outcome.Ok();
        StepRecord result = RecordOf(step, outcome);
        result.attempts = attempts;
        observer.StepEnded(unit, result);
        record.steps.push_back(std::move(result));
    }
    record.outcome = OutcomeOf(record.steps, record.notRun.empty());
    journal.Finish(OutcomeName(record.outcome));
    record.journalUnit = journal.Id();
    if (!session.workFolder.empty()) {
        std::error_code error;
        std::filesystem::remove_all(session.workFolder, error);
    }
    record.seconds = SecondsSince(unitStart);
    observer.UnitEnded(record);
    return record;
}

} // namespace tarnwell::line
