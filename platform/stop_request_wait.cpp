#include "platform/stop_request.h"

#include <chrono>
#include <thread>

namespace tarnwell {

void WaitForStopRequest() {
    // Nothing can be woken from a signal handler but a flag; a short nap costs nothing.
    while (!StopRequested().load()) std::this_thread::sleep_for(std::chrono::milliseconds(50));
}

} // namespace tarnwell
