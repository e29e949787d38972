#include "sim/devsim_options.h"

#include "platform/tcp_socket.h"

#include <cctype>
#include <charconv>
#include <fstream>
#include <iterator>
#include <limits>

namespace tarnwell::sim {

const char kDevsimUsage[] =
    "Usage: tarnwell-devsim [options]\n"
    "Plays one or many networked video devices on loopback addresses: the command\n"
    "port with every exchange the console makes, a web CGI, snapshot pictures and\n"
    "answers to device searches. Runs until interrupted.\n"
    "\n"
    "Options:\n"
    "  --listen ADDRESS       first device address, on loopback (default 127.0.0.2)\n"
    "  --count N              number of devices, on consecutive addresses (1 to 1000, default 1)\n"
    "  --log FILE             one line per exchange (default: standard output)\n"
    "  --log-format FORMAT    text or json (one JSON object per exchange); default text\n"
    "  --web-port N           port of each device's web CGI, 0 for none (default 8080)\n"
    "  --web-reply REPLY      STATUS[:ok=body|header|none][:segments=N], e.g. 500:ok=none:segments=3\n"
    "  --no-discovery         do not answer device searches\n"
    "  --languages TEXT       the device's language list (default English|SimpChinese|...|)\n"
    "  --flash-layout DIGITS  16 hex digits answered to the flash layout query\n"
    "  --capture FILE         picture sent to a capture (default: a generated bitmap)\n"
    "  --capture-flag N       flag of the capture reply, 0 to 255 (default 1)\n"
    "  --capture-coalesced    the capture reply and the first picture bytes in one write\n"
    "  --member-sizes A,B,... data sizes of the firmware members after Install.xml\n"
    "  --link-rate RATE       pace what each device reads and sends, e.g. 100Mbit, 512kbit\n"
    "  --flash-write TIME     time per MiB of member data before its answer, e.g. 200ms\n"
    "  --short-replies        replies carry only their used bytes (9, or 32 + text + NUL)\n"
    "  --reply-pieces N       each reply goes out in N writes (1 to 128, default 1)\n"
    "  --reply-burst          a second reply follows each reply in the same write\n"
    "  --idle-timeout TIME    drop a connection silent this long, 0 for never (default 60s)\n"
    "  --hold-open            keep a connection open after the tool has ended its side,\n"
    "                         until the idle timeout (a unit that never confirms a setting)\n"
    "  --keep-bytes N         leading bytes kept of each payload (default 64)\n"
    "  --fault FAULT          KIND[:conn=N][:code=0xNN][:after=BYTES][:delay=MS][:answer=N], repeatable;\n"
    "                         KIND is refuse, close, silent, slow, reset or refuse-step;\n"
    "                         answer=N applies it to the N-th answer of the exchange only\n"
    "  --help                 show this help and exit\n";

namespace {

// A whole number in [low, high]: decimal, or hex with 0x. Nothing for signs, spaces or trailing text.
std::optional<uint64_t> WholeNumber(const std::string& text, uint64_t low, uint64_t high) {
    int base = 10;
    const char* begin = text.data();
    const char* end = text.data() + text.size();
    if (text.size() > 2 && text[0] == '0' && (text[1] == 'x' || text[1] == 'X')) {
        base = 16;
        begin += 2;
    }
    if (begin == end || !std::isxdigit(static_cast<unsigned char>(*begin))) return std::nullopt;
    uint64_t value = 0;
    auto [stop, problem] = std::from_chars(begin, end, value, base);
    if (problem != std::errc() || stop != end || value < low || value > high) return std::nullopt;
    return value;
}

bool EndsWith(const std::string& text, const std::string& tail, std::string& head) {
    if (text.size() <= tail.size() || text.compare(text.size() - tail.size(), tail.size(), tail) != 0) return false;
    head = text.substr(0, text.size() - tail.size());
    return true;
}

} // namespace

std::string NthAddress(const std::string& first, int index) {
    uint32_t host = 0;
    if (!ParseIpv4(first, host)) return {};
    uint64_t value = static_cast<uint64_t>(HostOrder(host)) + static_cast<uint64_t>(index);
    if (value > 0x7FFFFFFEu) return {};
    return FormatIpv4(NetworkOrder(static_cast<uint32_t>(value)));
}

std::optional<uint64_t> ParseLinkRate(const std::string& text) {
    static const std::pair<const char*, uint64_t> units[] = {
        {"Gbit", 1000000000}, {"Mbit", 1000000}, {"kbit", 1000}, {"bit", 1}};
    std::string number = text;
    uint64_t scale = 1;
    for (const auto& [unit, factor] : units) {
        if (EndsWith(text, unit, number)) {
            scale = factor;
            break;
        }
    }
    // Up to 100 Gbit/s; below 1 kbit/s a reply would take minutes.
    auto value = WholeNumber(number, 1, 100000000000ull / scale);
    if (!value || *value * scale < 1000) return std::nullopt;
    return *value * scale;
}

std::optional<std::chrono::milliseconds> ParseDuration(const std::string& text, std::chrono::milliseconds bareUnit) {
    constexpr uint64_t kDay = 24ull * 3600 * 1000;
    std::string number = text;
    uint64_t scale = static_cast<uint64_t>(bareUnit.count());
    if (EndsWith(text, "ms", number)) scale = 1;
    else if (EndsWith(text, "s", number)) scale = 1000;
    auto value = WholeNumber(number, 0, kDay / scale);
    if (!value) return std::nullopt;
    return std::chrono::milliseconds(static_cast<int64_t>(*value * scale));
}

std::optional<Fault> ParseFault(const std::string& text, std::string& error) {
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
    if (!known) return error = "unknown fault kind \"" + kindName + "\"", std::nullopt;
    constexpr uint64_t kIntMax = static_cast<uint64_t>(std::numeric_limits<int>::max());
    while (colon != std::string::npos) {
        size_t next = text.find(':', colon + 1);
        std::string field = text.substr(colon + 1, next == std::string::npos ? std::string::npos : next - colon - 1);
        colon = next;
        size_t equals = field.find('=');
        std::string key = field.substr(0, equals);
        std::string valueText = equals == std::string::npos ? std::string() : field.substr(equals + 1);
        std::optional<uint64_t> value;
        if (key == "conn" && (value = WholeNumber(valueText, 1, kIntMax))) fault.connection = static_cast<int>(*value);
        else if (key == "code" && (value = WholeNumber(valueText, 0, 255))) fault.code = static_cast<int>(*value);
        else if (key == "after" && (value = WholeNumber(valueText, 0, std::numeric_limits<uint32_t>::max())))
            fault.afterBytes = static_cast<size_t>(*value);
        else if (key == "delay" && (value = WholeNumber(valueText, 0, 24ull * 3600 * 1000)))
            fault.delay = std::chrono::milliseconds(*value);
        else if (key == "answer" && (value = WholeNumber(valueText, 1, 2))) fault.answer = static_cast<int>(*value);
        else if (key == "conn" || key == "code" || key == "after" || key == "delay" || key == "answer")
            return error = "\"" + field + "\" is out of range (conn 1 to " + std::to_string(kIntMax) +
                           ", code 0 to 0xFF, after 0 to 4294967295, delay 0 to 86400000 ms, answer 1 or 2)",
                   std::nullopt;
        else return error = "unknown fault field \"" + field + "\"", std::nullopt;
    }
    if (fault.kind == FaultKind::RefuseConnection && fault.connection == 0)
        return error = "refuse needs conn=N", std::nullopt;
    return fault;
}

std::optional<WebCgiScript> ParseWebReply(const std::string& text, std::string& error) {
    size_t colon = text.find(':');
    auto status = WholeNumber(text.substr(0, colon), 100, 599);
    if (!status) return error = "the status must be a number from 100 to 599", std::nullopt;
    OkPlace ok = *status == 200 ? OkPlace::Body : OkPlace::Nowhere;
    size_t segments = 1;
    while (colon != std::string::npos) {
        size_t next = text.find(':', colon + 1);
        std::string field = text.substr(colon + 1, next == std::string::npos ? std::string::npos : next - colon - 1);
        colon = next;
        if (field == "ok=body") ok = OkPlace::Body;
        else if (field == "ok=header") ok = OkPlace::Header;
        else if (field == "ok=none") ok = OkPlace::Nowhere;
        else if (field.rfind("segments=", 0) == 0 && WholeNumber(field.substr(9), 1, 64))
            segments = static_cast<size_t>(*WholeNumber(field.substr(9), 1, 64));
        else return error = "cannot read \"" + field + "\" (ok=body|header|none, segments=1 to 64)", std::nullopt;
    }
    return WebCgiScript::Status(static_cast<int>(*status), ok, segments);
}

std::optional<DevsimOptions> ParseDevsimOptions(int argc, const char* const argv[], std::string& error) {
    DevsimOptions options;
    options.profile.records.leadingBytes = kDefaultKeptBytes;
    // The program reads no records back; the log has every exchange.
    options.profile.records.records = 0;
    for (int i = 1; i < argc; ++i) {
        const std::string option = argv[i];
        bool missing = false;
        auto value = [&]() -> std::string {
            if (i + 1 >= argc) {
                missing = true;
                return {};
            }
            return argv[++i];
        };
        auto fail = [&](const std::string& why) {
            error = missing ? option + " needs a value" : option + ": " + why;
            return std::nullopt;
        };
        if (option == "--listen") {
            std::string address = value();
            uint32_t host = 0;
            if (!ParseIpv4(address, host) || (HostOrder(host) >> 24) != 127 || address.find_first_not_of("0123456789.") != std::string::npos)
                return fail("takes a loopback address (127.x.y.z), not \"" + address + "\"");
            options.firstAddress = address;
        } else if (option == "--count") {
            std::string text = value();
            auto count = WholeNumber(text, 1, 1000);
            if (!count) return fail("takes a number from 1 to 1000, not \"" + text + "\"");
            options.count = static_cast<int>(*count);
        } else if (option == "--log") {
            options.logPath = value();
            if (options.logPath.empty()) return fail("takes a file");
        } else if (option == "--log-format") {
            std::string format = value();
            if (format == "text") options.logFormat = LogFormat::Text;
            else if (format == "json") options.logFormat = LogFormat::Json;
            else return fail("takes text or json, not \"" + format + "\"");
        } else if (option == "--web-port") {
            std::string text = value();
            auto port = WholeNumber(text, 0, 65535);
            if (!port) return fail("takes a port number from 0 to 65535, not \"" + text + "\"");
            options.webPort = static_cast<int>(*port);
        } else if (option == "--web-reply") {
            std::string reason;
            auto script = ParseWebReply(value(), reason);
            if (!script) return fail(reason);
            options.webReply = *script;
        } else if (option == "--no-discovery") {
            options.discovery = false;
        } else if (option == "--languages") {
            std::string list = value();
            // The reply has 96 bytes for the text and its NUL.
            if (list.empty() || list.size() > 95) return fail("takes a text of 1 to 95 bytes");
            options.profile.languageList = list;
        } else if (option == "--flash-layout") {
            std::string digits = value();
            if (digits.size() != 16 || digits.find_first_not_of("0123456789abcdefABCDEF") != std::string::npos)
                return fail("takes exactly 16 hex digits, not \"" + digits + "\"");
            options.profile.flashLayoutDigits = digits;
        } else if (option == "--capture") {
            std::string path = value();
            std::ifstream in(path, std::ios::binary);
            if (path.empty() || !in) return fail("takes a readable file");
            options.profile.capturePicture.assign(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
            if (options.profile.capturePicture.empty()) return fail("the picture file is empty");
        } else if (option == "--capture-flag") {
            std::string text = value();
            auto flag = WholeNumber(text, 0, 255);
            if (!flag) return fail("takes a number from 0 to 255, not \"" + text + "\"");
            options.profile.captureReplyFlag = static_cast<uint8_t>(*flag);
        } else if (option == "--capture-coalesced") {
            options.profile.replies.captureCoalesced = true;
        } else if (option == "--member-sizes") {
            std::string list = value();
            options.profile.firmwareMemberSizes.clear();
            for (size_t at = 0; !missing;) {
                size_t comma = list.find(',', at);
                std::string item = list.substr(at, comma == std::string::npos ? std::string::npos : comma - at);
                auto size = WholeNumber(item, 0, std::numeric_limits<uint32_t>::max());
                if (!size) return fail("takes sizes from 0 to 4294967295 separated by commas, not \"" + item + "\"");
                options.profile.firmwareMemberSizes.push_back(static_cast<size_t>(*size));
                if (comma == std::string::npos) break;
                at = comma + 1;
            }
            if (missing) return fail("");
            options.profile.readyMode = ReadyMode::Firmware;
        } else if (option == "--link-rate") {
            std::string text = value();
            auto rate = ParseLinkRate(text);
            if (!rate) return fail("takes a rate from 1kbit to 100Gbit such as 100Mbit, not \"" + text + "\"");
            options.profile.linkRateBitsPerSecond = *rate;
        } else if (option == "--flash-write") {
            std::string text = value();
            auto time = ParseDuration(text, std::chrono::milliseconds(1));
            if (!time) return fail("takes a time per MiB such as 200ms or 2s, not \"" + text + "\"");
            options.profile.flashWritePerMiB = *time;
        } else if (option == "--idle-timeout") {
            std::string text = value();
            auto time = ParseDuration(text, std::chrono::milliseconds(1000));
            if (!time) return fail("takes seconds (or 500ms, 2s) up to a day, not \"" + text + "\"");
            options.profile.idleTimeout = *time;
        } else if (option == "--hold-open") {
            options.profile.holdOpen = true;
        } else if (option == "--short-replies") {
            options.profile.replies.shortReplies = true;
        } else if (option == "--reply-pieces") {
            std::string text = value();
            auto pieces = WholeNumber(text, 1, 128);
            if (!pieces) return fail("takes a number from 1 to 128, not \"" + text + "\"");
            options.profile.replies.pieces = static_cast<size_t>(*pieces);
        } else if (option == "--reply-burst") {
            options.profile.replies.twoInOneBurst = true;
        } else if (option == "--keep-bytes") {
            std::string text = value();
            auto bytes = WholeNumber(text, 0, 64ull * 1024 * 1024);
            if (!bytes) return fail("takes a number of bytes from 0 to 67108864, not \"" + text + "\"");
            options.profile.records.leadingBytes = static_cast<size_t>(*bytes);
        } else if (option == "--fault") {
            std::string text = value();
            std::string reason;
            auto fault = ParseFault(text, reason);
            if (!fault) return fail("cannot read \"" + text + "\": " + reason);
            options.faults.push_back(*fault);
        } else {
            error = "unknown option " + option;
            return std::nullopt;
        }
        if (missing) return fail("");
    }
    if (NthAddress(options.firstAddress, options.count - 1).empty()) {
        error = "too many devices for the address range";
        return std::nullopt;
    }
    return options;
}

} // namespace tarnwell::sim
