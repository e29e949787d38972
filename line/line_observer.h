#pragma once
// Everything that happens to the units of a job, as it happens. The progress
// display and the JSON lines watch the job through this one seam (the journal
// is written by each unit's console itself).
// Calls come from the units' own threads, several at once: an observer keeps
// its own lock.
#include "text/bilingual_text.h"
#include "line/unit_record.h"

#include <string>
#include <vector>

namespace tarnwell::line {

class LineObserver {
public:
    virtual ~LineObserver() = default;

    virtual void UnitStarted(const UnitPlan&) {}
    virtual void StepStarted(const UnitPlan&, Step) {}
    // A message the console would have shown in a box.
    virtual void Message(const UnitPlan&, Step, const BilingualText&) {}
    // The status line and the per cent of the member being sent.
    virtual void Progress(const UnitPlan&, Step, const std::string& /*status*/, int /*percent*/) {}
    virtual void StepEnded(const UnitPlan&, const StepRecord&) {}
    virtual void UnitEnded(const UnitRecord&) {}
};

// Hands every event to each observer in turn.
class ObserverList : public LineObserver {
public:
    void Add(LineObserver& observer) { observers_.push_back(&observer); }

    void UnitStarted(const UnitPlan& unit) override;
    void StepStarted(const UnitPlan& unit, Step step) override;
    void Message(const UnitPlan& unit, Step step, const BilingualText& text) override;
    void Progress(const UnitPlan& unit, Step step, const std::string& status, int percent) override;
    void StepEnded(const UnitPlan& unit, const StepRecord& record) override;
    void UnitEnded(const UnitRecord& record) override;

private:
    std::vector<LineObserver*> observers_;
};

} // namespace tarnwell::line
