#pragma once
// One unit of a line job: a session of its own (connections, work folder,
// limits, stop request, journal unit) on which the job's steps run in order,
// on the calling thread.
#include "device/firmware_package.h"
#include "line/line_observer.h"
#include "line/unit_journal.h"
#include "protocol/channel_limits.h"
#include "protocol/upgrade_pauses.h"

#include <atomic>
#include <memory>

namespace tarnwell::line {

struct UnitSettings {
    JobSteps steps;
    // The package checked and read once for the whole job; every unit sends from it.
    std::shared_ptr<const FirmwarePackage> firmware;
    ChannelLimits channelLimits;
    HttpLimits httpLimits;
    // Between members as the console waits; nobody watches the idle status line.
    UpgradePauses pauses{std::chrono::milliseconds(1000), std::chrono::milliseconds(0)};
    // Each unit's work files go to a folder of its own below this one; empty:
    // below the user's work folder.
    std::string workRoot;
    UnitJournal journal;
    // --wait-online: how long a unit may take to answer its first connection.
    Milliseconds waitOnline{0};
    // --step-timeout: each attempt of a step ends by then (0: only the protocol's limits).
    Milliseconds stepTimeout{0};
    // --retry: a step the unit did not let connect runs again, this many
    // times at most, after a pause that doubles from `retryPause`.
    int retries = 0;
    Milliseconds retryPause{1000};
};

// Runs every step unless `stop` is set before it starts; a running upgrade
// stops after the member it is sending and the unit is not rebooted. Reports
// each event to `observer`.
UnitRecord RunUnit(const UnitPlan& unit, const UnitSettings& settings, LineObserver& observer,
                   const std::atomic<bool>& stop);

} // namespace tarnwell::line
