#pragma once
// The journal's side of one MAC write: the address is committed as reserved
// before its block leaves the machine, and marked written or failed after.
#include "app/console_journal.h"

#include <memory>
#include <string>

namespace tarnwell {

class OperatorConsole;

// Why `refusal` keeps its MAC from the unit, in both languages.
BilingualText MacRefusalMessage(const MacReservation& refusal, const MacPool& pool, Journal& journal);

// What reserving `mac` would answer now, reserving nothing: a whole plan of
// addresses is checked before anything is sent (the reservation itself still
// decides, as another station may take one meanwhile).
MacReservation CheckMacFree(Journal& journal, uint64_t mac, const MacPool& pool);

class JournalMacWrite {
public:
    explicit JournalMacWrite(OperatorConsole& console) : console_(console) {}
    // Marks the reservation failed unless Written() was called.
    ~JournalMacWrite();
    JournalMacWrite(const JournalMacWrite&) = delete;
    JournalMacWrite& operator=(const JournalMacWrite&) = delete;

    // True when the block may go out: reserved, or no journal in use. False
    // after telling the operator why (written to another unit, reserved with
    // no outcome, outside or past the pool, a journal fault).
    bool Reserve(const std::string& macText);
    // The device has the block. A journal that cannot record it is reported,
    // and the address stays reserved, so it is still never handed out again.
    // A reservation released meanwhile is reported loudly (two devices may
    // carry the MAC) and stops the action.
    void Written();

private:
    OperatorConsole& console_;
    std::shared_ptr<JournalUnit> unit_;
    uint64_t mac_ = 0;
    std::string token_; // the reservation's, which the outcome must name
    bool done_ = false;
};

} // namespace tarnwell
