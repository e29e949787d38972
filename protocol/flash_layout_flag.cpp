#include "protocol/flash_layout_flag.h"

namespace tarnwell {

std::atomic<int> FlashLayoutFlag{0};

} // namespace tarnwell
