#pragma once
// How the console records its actions in the manufacturing journal. Each
// operator action that reaches a device is one unit attempt; each device
// operation in it is one step, with both texts of every message it showed.
// When the journal cannot be opened or written the action stops, with a
// message, before the next operation sends anything.
#include "device/journal_unit.h"
#include "device/outcome.h"
#include "text/bilingual_text.h"
#include "journal/journal.h"

#include <atomic>
#include <functional>
#include <memory>
#include <optional>
#include <string>

namespace tarnwell {

class OperatorConsole;

// Settings values beside "UpgradeMacAddr": the journal's location (a SQLite
// path or a postgresql:// connection string), the station's name in it, and
// the optional bounds of the MAC pool.
inline constexpr char kSettingJournal[] = "Journal";
inline constexpr char kSettingStation[] = "Station";
inline constexpr char kSettingMacPoolFirst[] = "MacPoolFirst";
inline constexpr char kSettingMacPoolLast[] = "MacPoolLast";

class ConsoleJournal {
public:
    std::string location; // "" for DefaultJournalPath()
    std::string station;  // "" for the host name
    std::string poolFirst, poolLast;

    // The station's memory of its journals ("" for DefaultStationMemoryPath()).
    std::string stationMemory;

    // Recording starts with the next action; the journal is opened then (and
    // again after a failure, so a server that comes back is used again). The
    // default journal is made at its first use; any other must exist.
    void Enable() { enabled_ = true; }
    // A journal made elsewhere (tests, the benchmark, the line runner's one
    // journal that all its units share).
    void Use(std::shared_ptr<Journal> journal);
    bool Enabled() const { return enabled_; }

    // The open journal; throws JournalError when it cannot be had.
    Journal& Open();
    std::string StationName() const;
    // The pool from the settings; throws JournalError for a bound that is not a MAC.
    MacPool Pool() const;

private:
    bool enabled_ = false;
    std::shared_ptr<Journal> journal_;
};

// One operator action, on the stack of its handler. Steps run inside it.
class RecordedAction {
public:
    explicit RecordedAction(OperatorConsole& console);
    ~RecordedAction();
    RecordedAction(const RecordedAction&) = delete;
    RecordedAction& operator=(const RecordedAction&) = delete;

    // Runs one device operation as a step. False when the journal failed (the
    // operator has been told): the action must not go on to the next one.
    bool Step(const std::string& name, const std::function<int()>& operation);
    bool Stopped() const { return stopped_; }
    // The unit, when it was begun, ends as failed.
    void MarkFailed() {
        if (unit_) unit_->MarkFailed();
    }

    // The unit of the action running on this thread, begun when it has none
    // yet; null when nothing is recorded. Throws JournalError.
    static std::shared_ptr<JournalUnit> CurrentUnit(OperatorConsole& console);
    // Stops this thread's action after a journal fault inside an operation.
    static void StopCurrent();

private:
    std::shared_ptr<JournalUnit> Unit();
    OperatorConsole& console_;
    std::shared_ptr<JournalUnit> unit_;
    RecordedAction* outer_;
    bool stopped_ = false;
};

// Records the step of an operation that outlives its action (the firmware
// worker): messages shown on this thread while it lives belong to the step.
class StepRecorder {
public:
    StepRecorder(std::shared_ptr<JournalUnit> unit, std::string name);
    ~StepRecorder();
    StepRecorder(const StepRecorder&) = delete;
    StepRecorder& operator=(const StepRecorder&) = delete;
    // Writes the step; false (after MarkFailed) when the journal could not.
    bool Finish(bool succeeded, OperatorConsole& console);

    // Where ShowBilingualMessage leaves its texts.
    static void NoteMessage(const BilingualText& text);
    // The outcome of the operation this thread's step runs: its result is
    // what the journal records.
    static void NoteOutcome(const Outcome& outcome);

private:
    std::shared_ptr<JournalUnit> unit_;
    StepRecord record_;
    std::optional<StepResult> noted_;
    StepRecorder* outer_;
    bool finished_ = false;
};

} // namespace tarnwell
