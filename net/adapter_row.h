#pragma once
// One local adapter as the device search shows it: plain texts, empty where
// the adapter has no such value.
#include <string>

namespace tarnwell {

struct AdapterRow {
    std::string description;
    std::string address;
    std::string mask;
    std::string gateway;
    std::string firstDnsServer;
    std::string secondDnsServer;
};

} // namespace tarnwell
