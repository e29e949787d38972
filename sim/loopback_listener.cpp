#include "sim/loopback_listener.h"

#include "platform/ipv4_text.h"

namespace tarnwell::sim {

bool LoopbackListener::Listen(const std::string& address, uint16_t port) {
    Close();
    uint32_t host = 0;
    // Loopback only: a simulated device never answers another network.
    if (!ParseIpv4(address, host) || (HostOrder(host) >> 24) != 127) return false;
    return listener_.Listen(host, port);
}

} // namespace tarnwell::sim
