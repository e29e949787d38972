#include "device/outcome.h"

namespace tarnwell {

const char* StepResultName(StepResult result) {
    switch (result) {
    case StepResult::Ok: return "ok";
    case StepResult::Failed: return "failed";
    case StepResult::Refused: return "refused";
    case StepResult::Stopped: return "stopped";
    case StepResult::Unconfirmed: return "unconfirmed";
    }
    return "failed";
}

const char* FailureKindName(FailureKind kind) {
    switch (kind) {
    case FailureKind::None: return "";
    case FailureKind::Socket: return "socket";
    case FailureKind::Connect: return "connect";
    case FailureKind::Send: return "send";
    case FailureKind::ConnectionReset: return "connection_reset";
    case FailureKind::ReplyTimeout: return "reply_timeout";
    case FailureKind::BadReply: return "bad_reply";
    case FailureKind::Refused: return "refused";
    case FailureKind::DeviceFailed: return "device_failed";
    case FailureKind::Unsupported: return "unsupported";
    case FailureKind::NotApplied: return "not_applied";
    case FailureKind::NotRebooted: return "not_rebooted";
    case FailureKind::LocalFile: return "local_file";
    case FailureKind::BadInput: return "bad_input";
    case FailureKind::Journal: return "journal";
    case FailureKind::Busy: return "busy";
    case FailureKind::Stopped: return "stopped";
    }
    return "";
}

BilingualText Outcome::Explanation() const {
    if (!reason.english.empty() || !reason.chinese.empty()) return reason;
    if (!messages.empty()) return messages.back();
    return {};
}

} // namespace tarnwell
