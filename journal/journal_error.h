#pragma once
// A journal that could not do what was asked. The action that needed it stops
// before anything reaches a device.
#include <cstdint>
#include <stdexcept>
#include <string>

namespace tarnwell {

enum class JournalFault {
    CannotOpen,
    Corrupt,
    NewerSchema,
    DiskFull,
    Locked,
    ReadOnly,
    ConnectionLost,
    NotBuiltIn,
    Failed,
    NotFound,      // nothing at the place: a journal is only made by init
    Empty,         // a file of no bytes, or a database without tables
    NotOurs,       // another program's database
    AlreadyExists, // init where a journal (or anything else) is
    BadLocation,   // neither a path nor a postgresql:// URL
    OtherJournal,  // not the journal this station wrote at this place, or an older copy of it
    FenceConflict, // a unit wrote a MAC whose reservation had been released
};

class JournalError : public std::runtime_error {
public:
    JournalError(JournalFault fault, const std::string& detail) : std::runtime_error(detail), fault_(fault) {}
    JournalFault Fault() const { return fault_; }

private:
    JournalFault fault_;
};

// The MAC reached the device although its reservation was no longer this
// unit's: someone released it meanwhile. The write is recorded as a conflict
// in the journal before this is thrown, so `find` shows both units.
class MacFenceConflict : public JournalError {
public:
    MacFenceConflict(uint64_t mac, int64_t unit, int64_t holder, std::string holderState, std::string holderStation,
                     const std::string& detail)
        : JournalError(JournalFault::FenceConflict, detail), mac(mac), unit(unit), holder(holder),
          holderState(std::move(holderState)), holderStation(std::move(holderStation)) {}
    uint64_t mac;
    int64_t unit;              // the late writer
    int64_t holder;            // the unit the journal names for the MAC now (0: none)
    std::string holderState;   // "released", "reserved" or "written"
    std::string holderStation;
};

} // namespace tarnwell
