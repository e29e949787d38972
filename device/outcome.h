#pragma once
// What a device operation ended with, in the terms every front end needs: a
// result, why it is not ok, what the operator was shown, and figures. The
// console turns it into its boxes, the line runner into lines and JSON, the
// journal into rows; none of them reads a result off a screen.
#include "text/bilingual_text.h"

#include <chrono>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace tarnwell {

enum class StepResult {
    Ok,          // the device took it, with evidence
    Failed,      // it did not happen, or not as asked
    Refused,     // the device said no
    Stopped,     // a stop came first; nothing was cut short on the wire
    Unconfirmed, // every byte went out, but the device gave no sign either way
};

// Why a step is not ok. A closed list: programs read these names.
enum class FailureKind {
    None,
    Socket,          // no socket could be created
    Connect,         // the device did not take the connection
    Send,            // a block or its data did not go out whole
    ConnectionReset, // the device reset or dropped the connection before it was done
    ReplyTimeout,    // no answer within the step's time
    BadReply,        // an answer that means nothing here
    Refused,         // the device answered no
    DeviceFailed,    // the device reported its own failure
    Unsupported,     // the device does not offer what was asked (a language)
    NotApplied,      // the device answered, but nothing was set
    NotRebooted,     // the upgrade went in, the reboot did not reach the device
    LocalFile,       // a file on this computer could not be read or written
    BadInput,        // the operator's input cannot be sent
    Journal,         // the journal refused or failed: nothing more was sent
    Busy,            // another upgrade is running
    Stopped,         // a stop request
};

// "ok", "failed", "refused", "stopped", "unconfirmed".
const char* StepResultName(StepResult result);
// "connect", "reply_timeout", ...; "" for None.
const char* FailureKindName(FailureKind kind);

struct OutcomeDetails {
    int member = 0;  // the member (from 1) the upgrade ended in; 0 when none
    int members = 0; // members in the package
    uint64_t bytesSent = 0;
    std::chrono::milliseconds elapsed{0};
    bool languageFound = false;                 // the language query listed the name
    std::optional<int32_t> announcedLength;     // a capture reply's picture length
    std::optional<bool> deviceAccepted;         // the flag of that reply
    std::string file;                           // a file the step wrote (the snapshot)
};

struct Outcome {
    StepResult result = StepResult::Ok;
    FailureKind failure = FailureKind::None;
    std::vector<BilingualText> messages; // what the operator was shown, in order
    BilingualText reason;                // why it is not ok, also where nothing was shown
    OutcomeDetails details;

    bool Ok() const { return result == StepResult::Ok; }
    // What the console counts as done (its operations return 1): everything
    // went out and nothing failed; the difference stays in `result`.
    bool Delivered() const { return result == StepResult::Ok || result == StepResult::Unconfirmed; }
    // The reason, or the last message, for a line that must say why.
    BilingualText Explanation() const;
};

} // namespace tarnwell
