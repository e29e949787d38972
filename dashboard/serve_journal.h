#pragma once
// `tarnwell-journal serve`: the web view until SIGINT or SIGTERM.
#include <ostream>
#include <string>

namespace tarnwell::dashboard {

struct ServeOptions {
    std::string journal; // "" for the default journal
    std::string listen = "127.0.0.1:8088";
    std::string token;
    std::string tokenFile;
    std::string macPool; // "FIRST-LAST" or ""
};

// 0 after a signal, 2 bad usage (an address that is not loopback without a
// token, a malformed address, token or pool), 3 a journal that cannot be
// served, 1 an address that cannot be had.
int ServeJournal(const ServeOptions& options, std::ostream& out, std::ostream& err);

} // namespace tarnwell::dashboard
