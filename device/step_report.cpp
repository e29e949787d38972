#include "device/step_report.h"

namespace tarnwell {

StepReport::StepReport(const UnitSession& session)
    : session_(session), start_(std::chrono::steady_clock::now()) {}

void StepReport::Say(const BilingualText& text) {
    outcome_.messages.push_back(text);
    session_.Observer().Message(text);
}

// The first failure is the reason; what follows it is its consequence.
void StepReport::Decide(StepResult result, FailureKind kind, const BilingualText& reason) {
    if (outcome_.result != StepResult::Ok) return;
    outcome_.result = result;
    outcome_.failure = kind;
    outcome_.reason = reason;
}

void StepReport::Fail(FailureKind kind, const BilingualText& shown) {
    Say(shown);
    Decide(StepResult::Failed, kind, shown);
}

void StepReport::FailQuietly(FailureKind kind, const BilingualText& reason) {
    Decide(StepResult::Failed, kind, reason);
}

void StepReport::Unconfirmed(const BilingualText& reason) { Decide(StepResult::Unconfirmed, FailureKind::None, reason); }

void StepReport::Refused(FailureKind kind, const BilingualText& shown) {
    Say(shown);
    Decide(StepResult::Refused, kind, shown);
}

void StepReport::Stopped(const BilingualText& shown) {
    Say(shown);
    Decide(StepResult::Stopped, FailureKind::Stopped, shown);
}

void StepReport::Absorb(const Outcome& nested) {
    outcome_.messages.insert(outcome_.messages.end(), nested.messages.begin(), nested.messages.end());
    absorbedBytes_ += nested.details.bytesSent;
}

Outcome StepReport::Finish() {
    // Nested operations added their own bytes to the session already.
    const uint64_t sent = sent_.exchange(0);
    counted_ += sent;
    if (session_.bytesSent != nullptr) *session_.bytesSent += sent;
    outcome_.details.bytesSent = counted_ + absorbedBytes_;
    outcome_.details.elapsed =
        std::chrono::duration_cast<std::chrono::milliseconds>(std::chrono::steady_clock::now() - start_);
    return outcome_;
}

} // namespace tarnwell
