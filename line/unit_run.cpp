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

bool RunStep(Step step, OperatorConsole& console, UnitUi& ui, const UnitSettings& settings, const UnitPlan& unit,
             LineObserver& observer) {
    switch (step) {
    case Step::Language:
        return console.UpdateLanguage() != 0;
    case Step::Mac:
        if (!observer.MacAboutToBeSent(unit, console.macText)) {
            ui.ShowBilingualMessage(BilingualText{"MAC地址未能登记,没有发送", "The MAC address could not be recorded; not sent"});
            return false;
        }
        return console.SetMacAddress() != 0;
    case Step::VideoStandard:
        return console.SetVideoStandard() != 0;
    case Step::Time:
        console.deviceDate = LocalDateTime::Now();
        console.deviceTime = console.deviceDate;
        return console.SetDeviceTime() != 0;
    case Step::Serial:
        console.OnSetSerial();
        return ui.SerialAccepted();
    case Step::Firmware:
        // The worker's body on this unit's own thread: the job has a thread per unit already.
        console.UpgradeFirmware(*settings.steps.firmwarePackage, console.deviceAddressText);
        return ui.UpgradeCompleted();
    case Step::Reboot:
        // The reboot has no result of its own: it got through when it said nothing.
        console.RebootDevice();
        return !ui.HasMessages();
    }
    return false;
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
    console.PullFields();
    console.ReadDeviceAddress();

    observer.UnitStarted(unit);
    // As Update All does: the address's stale ARP entry goes before the first step.
    console.PurgeArpEntry();
    bool failed = false, stopped = false;
    for (Step step : settings.steps.InOrder()) {
        if (stop.load()) {
            record.notRun.push_back(step);
            continue;
        }
        observer.StepStarted(unit, step);
        ui.BeginStep(step);
        const uint64_t bytesBefore = console.bytesSent.load();
        const auto stepStart = Clock::now();
        StepRecord result;
        result.step = step;
        result.succeeded = RunStep(step, console, ui, settings, unit, observer);
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
    if (!console.workFolder.empty()) {
        std::error_code error;
        std::filesystem::remove_all(console.workFolder, error);
    }
    record.seconds = SecondsSince(unitStart);
    observer.UnitEnded(record);
    return record;
}

} // namespace tarnwell::line
