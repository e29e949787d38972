#pragma once
// One unit of a line job: one OperatorConsole of its own, driven through a
// UnitUi, runs the job's steps in order on the calling thread.
#include "journal/journal.h"
#include "line/line_observer.h"
#include "protocol/channel_limits.h"
#include "protocol/upgrade_pauses.h"
#include "web/http_cgi_client.h"

#include <atomic>
#include <memory>

namespace tarnwell::line {

// Where the units are recorded, as the console records its actions: one unit
// attempt each, a row per step, the MAC reserved before its block goes out.
struct UnitJournal {
    bool enabled = false;
    std::string location; // a SQLite path or a postgresql:// connection string
    std::string station;  // "" for the host name
    std::string poolFirst, poolLast;
    std::string stationMemory;  // the station's memory of its journals; "" checks nothing
    bool journalChanged = false; // --journal-changed
    // A lost database server holds the units this long before they fail.
    std::chrono::seconds reconnectWait{60};
    // The job's one journal, shared by every unit; null: each unit opens `location`
    // (the runner opens it; a test may hand in one of its own).
    std::shared_ptr<Journal> shared;
};

struct UnitSettings {
    JobSteps steps;
    ChannelLimits channelLimits;
    HttpLimits httpLimits;
    // Between members as the console waits; nobody watches the idle status line.
    UpgradePauses pauses{std::chrono::milliseconds(1000), std::chrono::milliseconds(0)};
    // Each unit's work files go to a folder of its own below this one; empty:
    // below the user's work folder.
    std::string workRoot;
    UnitJournal journal;
};

// Runs every step unless `stop` is set before it starts; a running upgrade is
// told to stop after the member it is sending. Reports each event to `observer`.
UnitRecord RunUnit(const UnitPlan& unit, const UnitSettings& settings, LineObserver& observer,
                   const std::atomic<bool>& stop);

} // namespace tarnwell::line
