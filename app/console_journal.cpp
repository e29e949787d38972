#include "app/console_journal.h"

#include "app/operator_console.h"
#include "journal/journal_fault_text.h"
#include "journal/mac_number.h"
#include "journal/station_memory.h"
#include "platform/host_name.h"

namespace tarnwell {
namespace {

thread_local RecordedAction* currentAction = nullptr;
thread_local StepRecorder* currentStep = nullptr;

} // namespace

void ConsoleJournal::Use(std::shared_ptr<Journal> journal) {
    journal_ = std::move(journal);
    enabled_ = true;
}

Journal& ConsoleJournal::Open() {
    if (journal_) return *journal_;
    JournalOpening opening;
    opening.stationMemory = stationMemory.empty() ? DefaultStationMemoryPath() : stationMemory;
    // The console's own journal is made on its first use; a journal named in
    // the settings is somebody's choice and must be there.
    if (location.empty() && !JournalFileExists(DefaultJournalPath()))
        journal_ = CreateJournal(DefaultJournalPath(), opening);
    else
        journal_ = OpenJournal(location, opening);
    return *journal_;
}

std::string ConsoleJournal::StationName() const {
    if (!station.empty()) return station;
    const std::string host = HostName();
    return host.empty() ? "console" : host;
}

MacPool ConsoleJournal::Pool() const {
    MacPool pool;
    auto bound = [](const std::string& text, const char* name) -> std::optional<uint64_t> {
        if (text.empty()) return std::nullopt;
        auto number = ParseMacNumber(text);
        if (!number) throw JournalError(JournalFault::Failed, std::string("setting ") + name + " is not a MAC address: " + text);
        return number;
    };
    pool.first = bound(poolFirst, kSettingMacPoolFirst);
    pool.last = bound(poolLast, kSettingMacPoolLast);
    return pool;
}

std::shared_ptr<JournalUnit> BeginConsoleUnit(OperatorConsole& console) {
    if (!console.journal.Enabled()) return nullptr;
    Journal& journal = console.journal.Open();
    UnitStart start{console.journal.StationName(), console.deviceAddressText, console.serialText, "", ""};
    return std::make_shared<JournalUnit>(journal, journal.BeginUnit(start));
}

RecordedAction::RecordedAction(OperatorConsole& console) : console_(console), outer_(currentAction) {
    currentAction = this;
}

RecordedAction::~RecordedAction() { currentAction = outer_; }

std::shared_ptr<JournalUnit> RecordedAction::Unit() {
    if (!unit_) unit_ = BeginConsoleUnit(console_);
    return unit_;
}

std::shared_ptr<JournalUnit> RecordedAction::CurrentUnit(OperatorConsole& console) {
    if (currentAction != nullptr) return currentAction->Unit();
    return BeginConsoleUnit(console);
}

void RecordedAction::StopCurrent() {
    if (currentAction != nullptr) currentAction->stopped_ = true;
}

bool RecordedAction::Step(const std::string& name, const std::function<int()>& operation) {
    if (stopped_) return false;
    std::shared_ptr<JournalUnit> unit;
    try {
        unit = Unit();
    } catch (const JournalError& error) {
        stopped_ = true;
        console_.ShowBilingualMessage(JournalFaultMessage(error));
        return false;
    }
    if (!unit) {
        operation();
        return true;
    }
    StepRecorder step(unit, name);
    const int result = operation();
    if (!step.Finish(result != 0 && !stopped_, console_)) stopped_ = true;
    return !stopped_;
}

StepRecorder::StepRecorder(std::shared_ptr<JournalUnit> unit, std::string name)
    : unit_(std::move(unit)), outer_(currentStep) {
    record_.step = std::move(name);
    record_.startedAt = JournalTimestamp();
    currentStep = this;
}

StepRecorder::~StepRecorder() { currentStep = outer_; }

bool StepRecorder::Finish(bool succeeded, OperatorConsole& console) {
    if (finished_ || !unit_) return true;
    finished_ = true;
    currentStep = outer_;
    // An operation that delivered without evidence is recorded as it was.
    std::string result = succeeded ? kOutcomeOk : kOutcomeFailed;
    if (succeeded && noted_ && *noted_ != StepResult::Ok) result = StepResultName(*noted_);
    if (!succeeded) unit_->MarkFailed();
    else unit_->SetOutcome(result);
    record_.endedAt = JournalTimestamp();
    record_.result = result;
    try {
        unit_->Records().RecordStep(unit_->Id(), record_);
        return true;
    } catch (const JournalError& error) {
        unit_->MarkFailed();
        console.ShowBilingualMessage(JournalFaultMessage(error));
        return false;
    }
}

void StepRecorder::NoteOutcome(const Outcome& outcome) {
    if (currentStep != nullptr) currentStep->noted_ = outcome.result;
}

void StepRecorder::NoteMessage(const BilingualText& text) {
    if (currentStep != nullptr) currentStep->record_.messages.push_back({text.chinese, text.english});
}

} // namespace tarnwell
