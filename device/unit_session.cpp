#include "device/unit_session.h"

namespace tarnwell {

OperationObserver& UnitSession::Observer() const {
    static OperationObserver nobody;
    return observer != nullptr ? *observer : nobody;
}

} // namespace tarnwell
