#pragma once
// The journal's side of one MAC write, as the MAC operation needs it: the
// address is committed as reserved before its block leaves the machine, and
// settled by what the write amounted to. Front ends supply it.
#include "device/outcome.h"

#include <optional>
#include <string>

namespace tarnwell {

struct LedgerRefusal {
    FailureKind kind = FailureKind::Journal; // Journal: a fault; Refused: the address is not to be used
    BilingualText message;
};

class MacLedger {
public:
    virtual ~MacLedger() = default;
    // Nothing when the block may go out; otherwise why not.
    virtual std::optional<LedgerRefusal> Reserve(const std::string& macText) = 0;
    // Ok: written; Unconfirmed: kept from every other unit, not written;
    // anything else: failed. A message when the journal could not record it.
    virtual std::optional<BilingualText> Settle(StepResult result) = 0;
};

} // namespace tarnwell
