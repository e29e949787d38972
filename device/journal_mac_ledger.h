#pragma once
// The MAC ledger on the manufacturing journal: the address is committed as
// reserved in the unit's name before its block leaves the machine; written
// only on evidence, failed when the write failed, and left reserved when the
// unit gave no sign either way, so it is never handed out again.
#include "device/journal_unit.h"
#include "device/mac_ledger.h"

#include <functional>
#include <memory>

namespace tarnwell {

// Why `refusal` keeps its MAC from the unit, in both languages.
BilingualText MacRefusalMessage(const MacReservation& refusal, const MacPool& pool, Journal& journal);

// What reserving `mac` would answer now, reserving nothing: a whole plan of
// addresses is checked before anything is sent (the reservation itself still
// decides, as another station may take one meanwhile).
MacReservation CheckMacFree(Journal& journal, uint64_t mac, const MacPool& pool);

class JournalMacLedger : public MacLedger {
public:
    // `unit` gives the unit the write belongs to (null: nothing is recorded);
    // `pool` the pool's bounds. Both may throw JournalError. `onFault` runs
    // after any journal fault.
    JournalMacLedger(std::function<std::shared_ptr<JournalUnit>()> unit, std::function<MacPool()> pool,
                     std::function<void()> onFault = {});
    ~JournalMacLedger() override;

    std::optional<LedgerRefusal> Reserve(const std::string& macText) override;
    std::optional<BilingualText> Settle(StepResult result) override;

private:
    std::function<std::shared_ptr<JournalUnit>()> unitSource_;
    std::function<MacPool()> poolSource_;
    std::function<void()> onFault_;
    std::shared_ptr<JournalUnit> unit_;
    uint64_t mac_ = 0;
    std::string token_; // the reservation's own: a write after a release is caught
    bool reserved_ = false;
};

} // namespace tarnwell
