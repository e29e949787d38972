#include "sim/devsim_options.h"

#include "platform/tcp_socket.h"

#include <arpa/inet.h>
#include <cstdlib>
#include <fstream>
#include <iterator>

namespace tarnwell::sim {

const char kDevsimUsage[] =
    "Usage: tarnwell-devsim [options]\n"
    "Plays one or many networked video devices on loopback addresses: the command\n"
    "port with every exchange the console makes, a web CGI, snapshot pictures and\n"
    "answers to device searches. Runs until interrupted.\n"
    "\n"
    "Options:\n"
    "  --listen ADDRESS       first device address, on loopback (default 127.0.0.2)\n"
    "  --count N              number of devices, on consecutive addresses (default 1)\n"
    "  --log FILE             one line per exchange (default: standard output)\n"
    "  --web-port N           port of each device's web CGI, 0 for none (default 80)\n"
    "  --no-discovery         do not answer device searches\n"
    "  --languages TEXT       the device's language list (default English|SimpChinese|...|)\n"
    "  --flash-layout DIGITS  16 hex digits answered to the flash layout query\n"
    "  --capture FILE         picture sent to a capture (default: a generated bitmap)\n"
    "  --member-sizes A,B,... data sizes of the firmware members after Install.xml\n"
    "  --fault FAULT          KIND[:conn=N][:code=0xNN][:after=BYTES][:delay=MS], repeatable;\n"
    "                         KIND is refuse, close, silent, slow, reset or refuse-step\n"
    "  --help                 show this help and exit\n";

std::string NthAddress(const std::string& first, int index) {
    uint32_t host = 0;
    if (!ParseIpv4(first, host)) return {};
    uint64_t value = static_cast<uint64_t>(ntohl(host)) + static_cast<uint64_t>(index);
    if (value > 0x7FFFFFFEu) return {};
    in_addr address{htonl(static_cast<uint32_t>(value))};
    char text[INET_ADDRSTRLEN];
    return ::inet_ntop(AF_INET, &address, text, sizeof text) ? text : std::string();
}

std::optional<Fault> ParseFault(const std::string& text) {
    static const std::pair<const char*, FaultKind> kinds[] = {
        {"refuse", FaultKind::RefuseConnection}, {"close", FaultKind::CloseEarly},
        {"silent", FaultKind::StaySilent},       {"slow", FaultKind::AnswerSlowly},
        {"reset", FaultKind::Reset},             {"refuse-step", FaultKind::RefuseStep}};
    size_t colon = text.find(':');
    std::string kindName = text.substr(0, colon);
    Fault fault;
    bool known = false;
    for (const auto& [name, kind] : kinds) {
        if (kindName == name) {
            fault.kind = kind;
            known = true;
        }
    }
    if (!known) return std::nullopt;
    while (colon != std::string::npos) {
        size_t next = text.find(':', colon + 1);
        std::string field = text.substr(colon + 1, next == std::string::npos ? std::string::npos : next - colon - 1);
        colon = next;
        size_t equals = field.find('=');
        if (equals == std::string::npos) return std::nullopt;
        std::string key = field.substr(0, equals);
        char* end = nullptr;
        long long value = std::strtoll(field.c_str() + equals + 1, &end, 0);
        if (end == field.c_str() + equals + 1 || *end != '\0' || value < 0) return std::nullopt;
        if (key == "conn") fault.connection = static_cast<int>(value);
        else if (key == "code" && value <= 255) fault.code = static_cast<int>(value);
        else if (key == "after") fault.afterBytes = static_cast<size_t>(value);
        else if (key == "delay") fault.delay = std::chrono::milliseconds(value);
        else return std::nullopt;
    }
    if (fault.kind == FaultKind::RefuseConnection && fault.connection == 0) return std::nullopt;
    return fault;
}

std::optional<DevsimOptions> ParseDevsimOptions(int argc, const char* const argv[], std::string& error) {
    DevsimOptions options;
    for (int i = 1; i < argc; ++i) {
        std::string option = argv[i];
        auto value = [&]() -> std::optional<std::string> {
            if (i + 1 >= argc) return std::nullopt;
            return std::string(argv[++i]);
        };
        auto number = [&](int low, int high) -> std::optional<int> {
            auto text = value();
            if (!text) return std::nullopt;
            char* end = nullptr;
            long parsed = std::strtol(text->c_str(), &end, 10);
            if (end == text->c_str() || *end != '\0' || parsed < low || parsed > high) return std::nullopt;
            return static_cast<int>(parsed);
        };
        if (option == "--listen") {
            auto address = value();
            uint32_t host = 0;
            if (!address || !ParseIpv4(*address, host) || (ntohl(host) >> 24) != 127) {
                error = "--listen takes a loopback address (127.x.y.z)";
                return std::nullopt;
            }
            options.firstAddress = *address;
        } else if (option == "--count") {
            auto count = number(1, 1000);
            if (!count) {
                error = "--count takes a number from 1 to 1000";
                return std::nullopt;
            }
            options.count = *count;
        } else if (option == "--log") {
            auto path = value();
            if (!path) return error = "--log takes a file", std::nullopt;
            options.logPath = *path;
        } else if (option == "--web-port") {
            auto port = number(0, 65535);
            if (!port) return error = "--web-port takes a port number", std::nullopt;
            options.webPort = *port;
        } else if (option == "--no-discovery") {
            options.discovery = false;
        } else if (option == "--languages") {
            auto list = value();
            if (!list) return error = "--languages takes a text", std::nullopt;
            options.profile.languageList = *list;
        } else if (option == "--flash-layout") {
            auto digits = value();
            if (!digits) return error = "--flash-layout takes 16 hex digits", std::nullopt;
            options.profile.flashLayoutDigits = *digits;
        } else if (option == "--capture") {
            auto path = value();
            std::ifstream in(path.value_or(""), std::ios::binary);
            if (!path || !in) return error = "--capture takes a readable file", std::nullopt;
            options.profile.capturePicture.assign(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
        } else if (option == "--member-sizes") {
            auto list = value();
            if (!list) return error = "--member-sizes takes sizes separated by commas", std::nullopt;
            for (size_t at = 0; at <= list->size();) {
                size_t comma = list->find(',', at);
                options.profile.firmwareMemberSizes.push_back(std::strtoull(list->substr(at, comma - at).c_str(), nullptr, 10));
                if (comma == std::string::npos) break;
                at = comma + 1;
            }
            options.profile.readyMode = ReadyMode::Firmware;
        } else if (option == "--fault") {
            auto faultText = value();
            auto fault = faultText ? ParseFault(*faultText) : std::nullopt;
            if (!fault) return error = "--fault: cannot read " + faultText.value_or(""), std::nullopt;
            options.faults.push_back(*fault);
        } else {
            error = "unknown option " + option;
            return std::nullopt;
        }
    }
    if (NthAddress(options.firstAddress, options.count - 1).empty()) {
        error = "too many devices for the address range";
        return std::nullopt;
    }
    return options;
}

} // namespace tarnwell::sim
