#pragma once
#include <atomic>

namespace tarnwell {

// Which flash layout the device reported (first digit of its 0x22 query answer):
// 0 until a device says otherwise. Chooses the logo install script's layout.
extern std::atomic<int> FlashLayoutFlag;

} // namespace tarnwell
