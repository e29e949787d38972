#pragma once
// The manufacturing journal: one row per unit attempt, one per step, and the
// MAC addresses handed out. The console and the line runner write through this
// interface; SQLite (one station) and PostgreSQL (a shared line) stand behind it.
//
// A MAC is committed as reserved before its block leaves the machine and then
// marked written or failed. A reservation whose outcome never arrived (the
// process died) blocks that address until someone releases it explicitly.
// Each reservation carries a token: a write reported after its reservation
// was released is a conflict, recorded and thrown, never taken over quietly.
//
// A journal is made only on purpose (CreateJournal, `tarnwell-journal init`);
// opening refuses a place where none is, an empty file or database, and
// another program's database, without changing a byte of it.
#include "journal/journal_error.h"

#include <chrono>
#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace tarnwell {

struct JournalMessage {
    std::string chinese;
    std::string english;
};

struct UnitStart {
    std::string station;
    std::string address;
    std::string serial;
    std::string packagePath;
    std::string packageSha256;
};

// What a unit attempt ended with; "running" stays when it never ended.
inline constexpr char kOutcomeRunning[] = "running";
inline constexpr char kOutcomeOk[] = "ok";
inline constexpr char kOutcomeFailed[] = "failed";

struct UnitRecord {
    int64_t id = 0;
    std::string station;
    std::string startedAt;
    std::string endedAt;
    std::string address;
    std::string serial;
    std::string mac;
    std::string packagePath;
    std::string packageSha256;
    std::string outcome;
};

struct StepRecord {
    std::string step;
    std::string startedAt;
    std::string endedAt;
    std::string result;
    std::vector<JournalMessage> messages;
};

enum class MacState { Reserved, Written, Failed, Released };
const char* MacStateName(MacState state);

struct MacEntry {
    uint64_t mac = 0;
    MacState state = MacState::Reserved;
    int64_t unit = 0;
    std::string station;
    std::string updatedAt;
};

// Inclusive bounds; an unset pool takes any address.
struct MacPool {
    std::optional<uint64_t> first;
    std::optional<uint64_t> last;
};

struct MacReservation {
    enum class Verdict {
        Reserved,       // committed: the block may go out
        AlreadyWritten, // `holder` is the unit that has it
        OutcomeUnknown, // reserved by `holder`, whose write never reported back
        OutsidePool,
        PoolExhausted,
        NotAssignable,  // all zeros, multicast or broadcast: no device may carry it
    };
    Verdict verdict = Verdict::Reserved;
    uint64_t mac = 0;
    int64_t holder = 0;
    std::string token; // Reserved: what the outcome must name
};

// A unit that wrote a MAC after its reservation had been released.
struct MacConflict {
    uint64_t mac = 0;
    int64_t unit = 0;        // the late writer
    std::string station;     // its station
    int64_t holder = 0;      // who the journal named for the MAC then (0: nobody)
    std::string holderState; // and how: released, reserved, written
    std::string at;
};

struct JournalIdentity {
    std::string id; // random, made with the journal
    std::string createdAt;
};

// How a tool opens its journal.
struct JournalOpening {
    // The station's memory of its journals (StationMemory); "" remembers and checks nothing.
    std::string stationMemory;
    // The journal at the place was replaced on purpose: take it and remember it.
    bool journalChanged = false;
    // How long a call waits for a lost database server to come back before it
    // fails; zero tries once to connect again.
    std::chrono::seconds reconnectWait{0};
};

// The refusal of `mac` before the journal is asked: NotAssignable for an
// address no device may carry, PoolExhausted past the pool's last address,
// OutsidePool before its first; nothing for an assignable one inside it.
std::optional<MacReservation::Verdict> PoolRefusal(uint64_t mac, const MacPool& pool);

class Journal {
public:
    virtual ~Journal() = default;

    // Every call commits before it returns and throws JournalError when it
    // could not; the caller then must not go on to the device.
    virtual int64_t BeginUnit(const UnitStart& unit) = 0;
    virtual void SetUnitPackage(int64_t unit, const std::string& path, const std::string& sha256) = 0;
    virtual void FinishUnit(int64_t unit, const std::string& outcome) = 0;
    virtual void RecordStep(int64_t unit, const StepRecord& step) = 0;

    // Reserves exactly `mac` for `unit` unless the journal shows it written
    // or reserved elsewhere, or it lies outside the pool.
    virtual MacReservation ReserveMac(uint64_t mac, int64_t unit, const MacPool& pool) = 0;
    // Reserves the address after the highest one of the pool ever handed out
    // (skipping the multicast ones); `first` must be set. Two stations can
    // never get the same one.
    virtual MacReservation ReserveNextMac(int64_t unit, const MacPool& pool) = 0;
    // Reserves the lowest address of the pool that no unit holds: never
    // handed out, or released (also by SetMacOutcome(..., Released) from a
    // writer that sent nothing). `first` must be set. Stations share a pool
    // this way without agreeing on a first address.
    virtual MacReservation ReserveLowestFreeMac(int64_t unit, const MacPool& pool) = 0;
    // Written, Failed, or Released (the block never left: the address goes
    // back to the pool), for the reservation `token` of `unit`. Written when
    // the reservation is no longer that one (released, taken by another
    // unit) records the conflict, marks a released MAC written (it is on the
    // device) and throws MacFenceConflict. Failed then changes nothing.
    virtual void SetMacOutcome(uint64_t mac, int64_t unit, const std::string& token, MacState outcome) = 0;
    // Frees a reserved or failed address; false when it is written or unknown.
    virtual bool ReleaseMac(uint64_t mac) = 0;

    virtual std::optional<MacEntry> LookupMac(uint64_t mac) = 0;
    virtual std::vector<MacEntry> Macs() = 0;
    // Units started at or after `since` (ISO 8601 text), oldest first.
    virtual std::vector<UnitRecord> Units(const std::string& since) = 0;
    // Units that got this MAC or carry this serial.
    virtual std::vector<UnitRecord> FindUnits(const std::string& macOrSerial) = 0;
    virtual std::vector<StepRecord> Steps(int64_t unit) = 0;
    virtual std::vector<MacConflict> MacConflicts(uint64_t mac) = 0;
    virtual int SchemaVersion() = 0;
    virtual JournalIdentity Identity() = 0;
    // True once a call of this journal failed with `fault` (the line runner's
    // exit status tells a full disk from a failed unit).
    virtual bool HasFailedWith(JournalFault fault) const = 0;
};

// The journal at `location` (ParseJournalLocation; "" for the default). Throws
// JournalError: NotFound, Empty, NotOurs, NewerSchema, BadLocation,
// OtherJournal (the station's memory), or what the database says.
std::unique_ptr<Journal> OpenJournal(const std::string& location, const JournalOpening& opening = {});

// Makes a new journal at `location`: a SQLite file that does not exist yet
// (or has no bytes), or a PostgreSQL database without tables. AlreadyExists
// where anything else is; OtherJournal where the station remembers another.
std::unique_ptr<Journal> CreateJournal(const std::string& location, const JournalOpening& opening = {});

// Whether `location` names a SQLite file that is there (the console's first use).
bool JournalFileExists(const std::string& location);

// $XDG_DATA_HOME/Tarnwell/journal.sqlite3 (~/.local/share/... without it).
std::string DefaultJournalPath();

// The present moment in UTC, "2026-12-09T02:10:11.123Z": sorts as text.
std::string JournalTimestamp();
// Any moment in the same form.
std::string JournalTimestamp(std::chrono::system_clock::time_point moment);

} // namespace tarnwell
