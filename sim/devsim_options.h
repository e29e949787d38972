#pragma once
// The command line of tarnwell-devsim. Every value is checked: a wrong one
// ends the program with a message and status 2.
#include "sim/simulated_device.h"
#include "sim/web_cgi_server.h"

#include <chrono>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace tarnwell::sim {

// Works for an ordinary user: ports below 1024 need privileges.
inline constexpr int kDefaultWebPort = 8080;
// Leading bytes of each payload the program keeps; the log shows at most 48.
inline constexpr size_t kDefaultKeptBytes = 64;

struct DevsimOptions {
    std::string firstAddress = "127.0.0.2";
    int count = 1;
    std::string logPath;      // one line per exchange; standard output when empty
    LogFormat logFormat = LogFormat::Text;
    int webPort = kDefaultWebPort; // 0: no web CGI
    bool discovery = true;
    DeviceProfile profile;    // shared by every device but the address
    std::vector<Fault> faults;
    WebCgiScript webReply = WebCgiScript::Ok();
};

// Parses the arguments; nothing (and a reason in `error`) when they are wrong.
std::optional<DevsimOptions> ParseDevsimOptions(int argc, const char* const argv[], std::string& error);
// "refuse-step:conn=3:code=0xD5:answer=2", "slow:code=0xDA:delay=2000", ...
std::optional<Fault> ParseFault(const std::string& text, std::string& error);
// "100Mbit", "512kbit", "1Gbit" or bits per second; nothing when not a positive rate.
std::optional<uint64_t> ParseLinkRate(const std::string& text);
// "200ms", "2s", or a bare number in `bareUnit`; nothing when malformed or out of range.
std::optional<std::chrono::milliseconds> ParseDuration(const std::string& text, std::chrono::milliseconds bareUnit);
// "404[:ok=body|header|none][:segments=N]".
std::optional<WebCgiScript> ParseWebReply(const std::string& text, std::string& error);
// The i-th address after `first` (127.0.0.2 + 3 = 127.0.0.5); empty past 127.255.255.254.
std::string NthAddress(const std::string& first, int index);
extern const char kDevsimUsage[];

} // namespace tarnwell::sim
