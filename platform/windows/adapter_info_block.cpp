#include "platform/windows/adapter_info_block.h"

namespace tarnwell {

AdapterInfoBlock ReadAdapterInfoBlock() {
    AdapterInfoBlock block;
    ULONG size = 0;
    for (int attempt = 0; attempt < 3; ++attempt) {
        const ULONG result = ::GetAdaptersInfo(reinterpret_cast<IP_ADAPTER_INFO*>(block.bytes_.get()), &size);
        if (result == ERROR_SUCCESS && block.bytes_) return block;
        block.bytes_.reset();
        if (result != ERROR_BUFFER_OVERFLOW || size == 0) return block;
        block.bytes_ = std::make_unique<unsigned char[]>(size);
    }
    block.bytes_.reset();
    return block;
}

} // namespace tarnwell
