#include "line/unit_run.h"

#include "app/operator_console.h"
#include "line/unit_ui.h"
#include "platform/work_folder.h"

#include <chrono>
#include <filesystem>

namespace tarnwell::line {

namespace {

using Clock = std::chrono::steady_clock;

double SecondsSince(Clock::time_point start) { return std::chrono::duration<double>(Clock::now() - start).count(); }

// A folder of the unit's own, so that no two consoles of the job share a work file.
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

bool RunStep(Step step, OperatorConsole& console, UnitUi& ui) {
    switch (step) {
    case Step::Language:
        return console.UpdateLanguage() != 0;
    case Step::Mac:
        // The journal reserves the address inside, before the block goes out.
        return console.SetMacAddress() != 0;
    case Step::VideoStandard:
        return console.SetVideoStandard() != 0;
    case Step::Time:
        console.deviceDate = LocalDateTime::Now();
        console.deviceTime = console.deviceDate;
        return console.SetDeviceTime() != 0;
    case Step::Serial:
        return console.SetSerial() != 0 && ui.SerialAccepted();
    case Step::Firmware:
    case Step::Reboot:
        break;
    }
    return false;
}

// One step as a step of the unit's recorded action. The firmware upgrade
// records itself, with the package's digest, as the console's worker does.
bool RunRecordedStep(Step step, RecordedAction& action, OperatorConsole& console, UnitUi& ui,
                     const UnitSettings& settings) {
    if (step == Step::Firmware) {
        std::shared_ptr<JournalUnit> unit;
        try {
            unit = RecordedAction::CurrentUnit(console);
        } catch (const JournalError& error) {
            RecordedAction::StopCurrent();
            console.ShowBilingualMessage(JournalFaultMessage(error));
            return false;
        }
        // The worker's body on this unit's own thread: the job has a thread per unit already.
        const bool upgraded =
            console.UpgradeFirmwareRecorded(unit, *settings.steps.firmwarePackage, console.deviceAddressText);
        return upgraded && ui.UpgradeCompleted();
    }
    bool succeeded = false;
    const bool recorded = action.Step(JournalStepName(step), [&] {
        if (step == Step::Reboot) {
            // The reboot has no result of its own: it got through when it said nothing.
            console.RebootDevice();
            succeeded = !ui.HasMessages();
        } else {
            succeeded = RunStep(step, console, ui);
        }
        return succeeded ? 1 : 0;
    });
    return recorded && succeeded;
}

} // namespace

UnitRecord RunUnit(const UnitPlan& unit, const UnitSettings& settings, LineObserver& observer,
                   const std::atomic<bool>& stop) {
    const auto unitStart = Clock::now();
    UnitRecord record;
    record.plan = unit;
    UnitUi ui(unit, observer, stop);
    if (settings.steps.language) ui.languageSelection = *settings.steps.language;
    if (settings.steps.videoStandard) ui.videoStandardSelection = *settings.steps.videoStandard;
    ui.controls.macText = unit.mac;
    ui.controls.autoIncrementMac = 0; // the job hands out the addresses
    ui.controls.serialText = unit.serial;
    ui.controls.webPortText = std::to_string(unit.webPort);
    if (settings.steps.firmwarePackage) ui.controls.biosFilePath = *settings.steps.firmwarePackage;

    OperatorConsole console(ui);
    ui.Attach(console);
    console.channelLimits = settings.channelLimits;
    console.httpLimits.connect = settings.httpLimits.connect;
    console.httpLimits.sendWait = settings.httpLimits.sendWait;
    console.httpLimits.replyWait = settings.httpLimits.replyWait;
    console.upgradePauses = settings.pauses;
    console.workFolder = MakeUnitWorkFolder(settings.workRoot, unit.address);
    if (settings.journal.enabled) {
        console.journal.location = settings.journal.location;
        console.journal.station = settings.journal.station;
        console.journal.poolFirst = settings.journal.poolFirst;
        console.journal.poolLast = settings.journal.poolLast;
        console.journal.stationMemory = settings.journal.stationMemory;
        if (settings.journal.shared)
            console.journal.Use(settings.journal.shared);
        else
            console.journal.Enable();
    }
    console.PullFields();
    console.ReadDeviceAddress();

    observer.UnitStarted(unit);
    // As Update All does: the address's stale ARP entry goes before the first step.
    console.PurgeArpEntry();
    // The unit is one recorded action; it is begun in the journal with its first step.
    RecordedAction action(console);
    bool failed = false, stopped = false;
    for (Step step : settings.steps.InOrder()) {
        // After a journal fault nothing more goes to the unit.
        if (stop.load() || action.Stopped()) {
            record.notRun.push_back(step);
            continue;
        }
        observer.StepStarted(unit, step);
        ui.BeginStep(step);
        const uint64_t bytesBefore = console.bytesSent.load();
        const auto stepStart = Clock::now();
        StepRecord result;
        result.step = step;
        result.succeeded = RunRecordedStep(step, action, console, ui, settings);
        result.messages = ui.TakeMessages();
        // An upgrade the stop cut short between members did not fail on its own.
        result.stopped = !result.succeeded && step == Step::Firmware && console.stopBeforeNextMember.load();
        result.bytesSent = console.bytesSent.load() - bytesBefore;
        result.seconds = SecondsSince(stepStart);
        failed = failed || (!result.succeeded && !result.stopped);
        stopped = stopped || result.stopped;
        observer.StepEnded(unit, result);
        record.steps.push_back(std::move(result));
    }
    if (failed)
        record.outcome = UnitOutcome::Failed;
    else if (stopped || !record.notRun.empty())
        record.outcome = UnitOutcome::Stopped;
    else
        record.outcome = UnitOutcome::Succeeded;
    // Not every step ran: the journal must not call the unit done.
    if (record.outcome != UnitOutcome::Succeeded) action.MarkFailed();
    if (!console.workFolder.empty()) {
        std::error_code error;
        std::filesystem::remove_all(console.workFolder, error);
    }
    record.seconds = SecondsSince(unitStart);
    observer.UnitEnded(record);
    return record;
}

} // namespace tarnwell::line
