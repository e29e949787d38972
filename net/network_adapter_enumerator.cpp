#include "net/network_adapter_enumerator.h"

#include "net/network_adapter_info.h"

#include <algorithm>
#include <cstdio>

namespace tarnwell {
namespace {

constexpr uint32_t kRecordSize = sizeof(NetworkAdapterInfo);

AdapterRow MakeRow(const NetworkAdapterInfo& adapter) {
    return {adapter.DescriptionText(), adapter.AddressAt(0),    adapter.MaskAt(0),
            adapter.GatewayAt(0),      adapter.DnsServerAt(0), adapter.DnsServerAt(1)};
}

int ReportNoAdapters() {
    std::fputs("No Network Adapters Found on System.\r\n", stdout);
    std::fflush(stdout);
    return 0;
}

} // namespace

int NetworkAdapterEnumerator::ListAdapters(std::vector<AdapterRow>& rows) {
    // An adapter appearing between sizing and filling makes the array too short;
    // size again rather than show rows for records that were never filled.
    for (int attempt = 0; attempt < 3; ++attempt) {
        uint32_t needed = 0;
        if (FillAdapterRecords(nullptr, 0, &needed, source_) != kAdapterInsufficientBuffer) return ReportNoAdapters();
        std::vector<NetworkAdapterInfo> adapters(needed / kRecordSize);
        uint32_t nowNeeded = 0;
        if (FillAdapterRecords(adapters.data(), needed, &nowNeeded, source_) == kAdapterInsufficientBuffer) continue;
        // Fewer adapters now: only the filled records become rows.
        size_t filled = std::min<size_t>(adapters.size(), nowNeeded / kRecordSize);
        if (filled == 0) return ReportNoAdapters();
        for (size_t i = 0; i < filled; ++i) rows.push_back(MakeRow(adapters[i]));
        return 1;
    }
    return ReportNoAdapters();
}

} // namespace tarnwell
