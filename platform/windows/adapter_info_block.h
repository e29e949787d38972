#pragma once
// The adapter list of IP Helper (GetAdaptersInfo) in a block of its own.
#include <winsock2.h>
#include <iphlpapi.h>

#include <memory>

namespace tarnwell {

class AdapterInfoBlock {
public:
    // The first adapter record, null when there is none or the list failed.
    const IP_ADAPTER_INFO* First() const { return reinterpret_cast<const IP_ADAPTER_INFO*>(bytes_.get()); }

private:
    friend AdapterInfoBlock ReadAdapterInfoBlock();
    std::unique_ptr<unsigned char[]> bytes_;
};

// Asks for the size, then fetches; asks again when the list grew in between.
AdapterInfoBlock ReadAdapterInfoBlock();

} // namespace tarnwell
