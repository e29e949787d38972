#pragma once
// Lists the local adapters as rows for the device search.
#include "net/adapter_row.h"
#include "platform/network_adapters.h"

#include <vector>

namespace tarnwell {

class NetworkAdapterEnumerator {
public:
    explicit NetworkAdapterEnumerator(AdapterSource& source = SystemAdapterSource()) : source_(source) {}
    virtual ~NetworkAdapterEnumerator() = default;

    // Appends one row per adapter, in the platform's order, without clearing
    // `rows`, and returns 1. With no adapter: writes
    // "No Network Adapters Found on System.\r\n" to standard output and returns 0
    // with `rows` unchanged. Adapters that vanish while being listed give no row.
    int ListAdapters(std::vector<AdapterRow>& rows);

private:
    AdapterSource& source_;
};

} // namespace tarnwell
