#include "dashboard/listen_address.h"

#include "journal/mac_number.h"

#include <arpa/inet.h>
#include <cctype>

namespace tarnwell::dashboard {

std::optional<ListenAddress> ParseListenAddress(const std::string& text) {
    const size_t colon = text.rfind(':');
    if (colon == std::string::npos || colon == 0 || colon + 1 == text.size() || text.size() - colon > 6)
        return std::nullopt;
    std::string host = text.substr(0, colon);
    const std::string port = text.substr(colon + 1);
    for (char c : port)
        if (!std::isdigit(static_cast<unsigned char>(c))) return std::nullopt;
    const int number = std::stoi(port);
    if (number > 65535) return std::nullopt;
    if (host.front() == '[') {
        if (host.size() < 3 || host.back() != ']') return std::nullopt;
        host = host.substr(1, host.size() - 2);
        in6_addr address{};
        if (inet_pton(AF_INET6, host.c_str(), &address) != 1) return std::nullopt;
    } else if (host.find(':') != std::string::npos) {
        return std::nullopt; // an IPv6 address needs its brackets
    }
    return ListenAddress{host, number};
}

bool IsLoopbackHost(const std::string& host) {
    if (host == "localhost" || host == "::1") return true;
    in_addr address{};
    if (inet_pton(AF_INET, host.c_str(), &address) != 1) return false;
    return (ntohl(address.s_addr) >> 24) == 127;
}

std::string HostOfHeader(const std::string& header) {
    if (!header.empty() && header.front() == '[') {
        const size_t end = header.find(']');
        return end == std::string::npos ? std::string() : header.substr(1, end - 1);
    }
    return header.substr(0, header.find(':'));
}

std::optional<MacPool> ParseMacPool(const std::string& text) {
    // A MAC's own groups are split by colons, the pool's bounds by one '-'.
    const size_t dash = text.find('-');
    if (dash == std::string::npos || text.find('-', dash + 1) != std::string::npos) return std::nullopt;
    auto first = ParseMacNumber(text.substr(0, dash));
    auto last = ParseMacNumber(text.substr(dash + 1));
    if (!first || !last || *first > *last) return std::nullopt;
    return MacPool{*first, *last};
}

} // namespace tarnwell::dashboard
