#include "line/unit_journal.h"

#include "line/open_journal_units.h"
#include "line/unit_plan.h"

namespace tarnwell::line {

UnitJournalRecord::UnitJournalRecord(const UnitJournal& settings, const UnitPlan& unit)
    : settings_(settings), plan_(unit) {
    link_.location = settings.location;
    link_.station = settings.station;
    link_.poolFirst = settings.poolFirst;
    link_.poolLast = settings.poolLast;
    link_.stationMemory = settings.stationMemory;
    if (!settings.enabled) return;
    // The job's one journal when the runner opened it; else a connection of the unit's own.
    if (settings.shared)
        link_.Use(settings.shared);
    else
        link_.Enable();
    ledger_ = std::make_unique<JournalMacLedger>([this] { return Unit(); }, [this] { return link_.Pool(); },
                                                 [this] { broken_ = true; });
}

UnitJournalRecord::~UnitJournalRecord() {
    // The ledger settles before the unit ends.
    auto end = [this] {
        ledger_.reset();
        unit_.reset();
    };
    if (unit_ && settings_.openUnits)
        settings_.openUnits->Ended(unit_->Id(), end);
    else
        end();
}

std::shared_ptr<JournalUnit> UnitJournalRecord::Unit() {
    if (!settings_.enabled) return nullptr;
    if (!unit_) {
        Journal& journal = link_.Open();
        UnitStart start{link_.StationName(), plan_.address, plan_.serial, "", ""};
        unit_ = std::make_shared<JournalUnit>(journal, journal.BeginUnit(start));
        if (settings_.openUnits) settings_.openUnits->Opened(unit_->Id());
    }
    return unit_;
}

Outcome UnitJournalRecord::Fault(const JournalError& error) {
    broken_ = true;
    if (unit_) unit_->MarkFailed();
    Outcome outcome;
    outcome.result = StepResult::Failed;
    outcome.failure = FailureKind::Journal;
    outcome.reason = JournalFaultMessage(error);
    outcome.messages.push_back(outcome.reason);
    return outcome;
}

Outcome UnitJournalRecord::Step(const std::string& name, const std::function<Outcome()>& operation) {
    if (!settings_.enabled) return operation();
    const std::string startedAt = JournalTimestamp();
    try {
        std::shared_ptr<JournalUnit> unit = Unit();
        Outcome outcome = operation();
        // The device may have what the journal could not record: not a success.
        if (broken_ && outcome.Ok() && !outcome.messages.empty()) {
            outcome.result = StepResult::Failed;
            outcome.failure = FailureKind::Journal;
            outcome.reason = outcome.messages.back();
        }
        RecordOutcome(*unit, name, startedAt, outcome);
        return outcome;
    } catch (const JournalError& error) {
        return Fault(error);
    }
}

std::optional<Outcome> UnitJournalRecord::NotePackage(const std::string& path, const std::string& sha256) {
    if (!settings_.enabled) return std::nullopt;
    try {
        std::shared_ptr<JournalUnit> unit = Unit();
        unit->Records().SetUnitPackage(unit->Id(), path, sha256);
        return std::nullopt;
    } catch (const JournalError& error) {
        return Fault(error);
    }
}

void UnitJournalRecord::Finish(const std::string& outcome) {
    if (unit_) unit_->SetOutcome(outcome);
}

} // namespace tarnwell::line
