#pragma once
// Everything one unit's operations share: where the unit is, the limits and
// pauses they keep, where work files go, the stop request, the journal's MAC
// ledger and the observer that hears about progress. The console makes one
// per action, the line runner one per unit.
#include "device/operation_observer.h"
#include "protocol/channel_limits.h"
#include "protocol/deadline.h"
#include "protocol/upgrade_pauses.h"

#include <atomic>
#include <cstdint>
#include <string>

namespace tarnwell {

class MacLedger;

struct UnitSession {
    std::string address;             // dotted decimal
    std::string webPortText = "80";  // as typed: read the way atoi reads it
    ChannelLimits limits;
    HttpLimits httpLimits;
    UpgradePauses pauses;
    std::string workFolder;          // "" for the user's work folder
    // Checked before every step and between members.
    const std::atomic<bool>* stop = nullptr;
    OperationObserver* observer = nullptr;
    // Every byte handed to the unit's connections is added here too (may be null).
    std::atomic<uint64_t>* bytesSent = nullptr;
    // Where a flash-layout answer lands (may be null).
    std::atomic<int>* flashLayout = nullptr;
    // Reserves a MAC before its block goes out; null when nothing is recorded.
    MacLedger* macLedger = nullptr;
    // When the whole operation must be over (a front end's own time limit);
    // no connection opened later waits past it. None by default.
    Deadline operationDeadline;

    bool StopRequested() const { return stop != nullptr && stop->load(); }
    // `wait`, shortened to what is left of the operation's deadline (at least 1 ms).
    Milliseconds WithinDeadline(Milliseconds wait) const {
        return operationDeadline.Bounded() ? std::max(Milliseconds(1), std::min(wait, operationDeadline.Left())) : wait;
    }
    OperationObserver& Observer() const;
};

} // namespace tarnwell
