#pragma once
// The command line of tarnwell-devsim.
#include "sim/simulated_device.h"

#include <optional>
#include <string>
#include <vector>

namespace tarnwell::sim {

struct DevsimOptions {
    std::string firstAddress = "127.0.0.2";
    int count = 1;
    std::string logPath;      // one line per exchange; standard output when empty
    int webPort = 80;         // 0: no web CGI
    bool discovery = true;
    DeviceProfile profile;    // shared by every device but the address
    std::vector<Fault> faults;
};

// Parses the arguments; nothing (and a reason in `error`) when they are wrong.
std::optional<DevsimOptions> ParseDevsimOptions(int argc, const char* const argv[], std::string& error);
// "refuse-step:conn=3:code=0xD5", "slow:code=0xDA:delay=2000", ...
std::optional<Fault> ParseFault(const std::string& text);
// The i-th address after `first` (127.0.0.2 + 3 = 127.0.0.5); empty past 127.255.255.254.
std::string NthAddress(const std::string& first, int index);
extern const char kDevsimUsage[];

} // namespace tarnwell::sim
