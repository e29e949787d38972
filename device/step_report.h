#pragma once
// Builds one operation's outcome as it runs: messages are passed to the
// observer the moment they arise and kept, the first failure decides the
// result, bytes and time are counted.
#include "device/outcome.h"
#include "device/unit_session.h"

#include <atomic>
#include <chrono>

namespace tarnwell {

class StepReport {
public:
    explicit StepReport(const UnitSession& session);

    // Shown to the operator now, and kept.
    void Say(const BilingualText& text);
    // Kept only: the front end shows it in its own way (the serial's success box).
    void Keep(const BilingualText& text) { outcome_.messages.push_back(text); }
    // The step failed; `shown` is said and is the reason.
    void Fail(FailureKind kind, const BilingualText& shown);
    // The step failed where the operator is shown nothing; `reason` says why.
    void FailQuietly(FailureKind kind, const BilingualText& reason);
    void Unconfirmed(const BilingualText& reason);
    void Refused(FailureKind kind, const BilingualText& shown);
    void Stopped(const BilingualText& shown);
    // Takes a nested operation's messages and figures; its result is the caller's to judge.
    void Absorb(const Outcome& nested);

    bool Failing() const { return outcome_.result != StepResult::Ok; }
    StepResult Result() const { return outcome_.result; }
    OutcomeDetails& Details() { return outcome_.details; }
    std::atomic<uint64_t>* SentCounter() { return &sent_; }

    // The outcome so far, with bytes and elapsed time.
    Outcome Finish();

private:
    void Decide(StepResult result, FailureKind kind, const BilingualText& reason);

    const UnitSession& session_;
    Outcome outcome_;
    std::atomic<uint64_t> sent_{0};
    uint64_t counted_ = 0;
    uint64_t absorbedBytes_ = 0;
    std::chrono::steady_clock::time_point start_;
};

} // namespace tarnwell
