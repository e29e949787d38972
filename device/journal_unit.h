#pragma once
// One unit attempt in the manufacturing journal, shared by everything that
// works on the unit (an action and the upgrade worker it started); it ends
// when the last of them lets go, with the outcome they left.
#include "device/outcome.h"
#include "journal/journal.h"
#include "text/bilingual_text.h"

#include <atomic>
#include <mutex>
#include <string>

namespace tarnwell {

// The operator's explanation of a journal fault, in both languages.
BilingualText JournalFaultMessage(const JournalError& error);

class JournalUnit {
public:
    JournalUnit(Journal& journal, int64_t id) : journal_(journal), id_(id) {}
    ~JournalUnit();
    JournalUnit(const JournalUnit&) = delete;
    JournalUnit& operator=(const JournalUnit&) = delete;

    Journal& Records() { return journal_; }
    int64_t Id() const { return id_; }
    void MarkFailed() { SetOutcome(kOutcomeFailed); }
    // What the unit ends with: "ok" until told otherwise; a failure is never
    // overwritten by anything milder.
    void SetOutcome(const std::string& outcome);

private:
    Journal& journal_;
    int64_t id_;
    std::mutex mutex_;
    std::string outcome_ = kOutcomeOk;
};

// One step row for `outcome`, begun at `startedAt`. Throws JournalError.
void RecordOutcome(JournalUnit& unit, const std::string& step, const std::string& startedAt, const Outcome& outcome);

} // namespace tarnwell
