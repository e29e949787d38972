#include "line/line_command.h"

#include "app/console_lists.h"
#include "journal/journal_location.h"
#include "text/mac_text.h"
#include "journal/mac_number.h"
#include "line/address_list.h"
#include "line/serial_source.h"
#include "line/unit_search.h"
#include "device/firmware_package.h"
#include "web/serial_setting.h"

#include <CLI/CLI.hpp>

#include <algorithm>
#include <filesystem>
#include <map>

namespace tarnwell::line {

namespace {

std::unique_ptr<CLI::App> MakeApp(LineCommand& command) {
    auto app = std::make_unique<CLI::App>(
        "Provisions many units at once: each unit runs the chosen steps in the console's order\n"
        "(language, MAC, video standard, time, serial, firmware), on connections of its own.",
        "tarnwell-line");
    app->add_option("--jobs", command.jobs, "Units at once (default: all)")->check(CLI::PositiveNumber);
    app->add_flag("--json", command.json, "JSON lines on standard output: one per step, one per unit, a summary");
    app->add_option("--firmware", command.firmware, "Firmware package (tar) to upgrade with")->type_name("PKG.tar");
    app->add_option("--language", command.language, "Default UI language, e.g. SimpChinese")->type_name("NAME");
    app->add_option("--video", command.video, "Video standard")->check(CLI::IsMember({"PAL", "NTSC"}))->type_name("PAL|NTSC");
    app->add_flag("--time", command.time, "Set the clock from this computer's clock");
    app->add_option("--mac", command.macFirst, "MAC address of the first unit; the next units get the next ones")
        ->type_name("FIRST");
    app->add_option("--serial", command.serial, "Serial pattern with a counter (SN-{0001}) or a CSV file address,serial")
        ->type_name("PATTERN|FILE");
    app->add_flag("--reboot", command.reboot, "Reboot each unit after its steps (the firmware upgrade reboots by itself)");
    app->add_option("--search", command.searchAdapters, "Add the devices found on this local adapter (name or address)")
        ->type_name("ADAPTER")
        ->allow_extra_args(false); // one adapter per --search; the addresses follow
    app->add_option("--web-port", command.webPort, "Web port for the serial setting (default: the port a search found, else 80)")
        ->check(CLI::Range(1, 65535));
    app->add_option("--journal", command.journal,
                    "Manufacturing journal: a SQLite file or a postgresql:// connection string "
                    "(default: the console's, $XDG_DATA_HOME/Tarnwell/journal.sqlite3)")
        ->type_name("PATH|URL");
    app->add_flag("--journal-changed", command.journalChanged,
                  "The journal at this place was replaced on purpose: take it, and remember it from now on");
    app->add_option("--station", command.station, "This station's name in the journal (default: the host name)")
        ->type_name("NAME");
    app->add_option("--mac-pool", command.macPool, "Only MAC addresses from FIRST to LAST may be written")
        ->type_name("FIRST-LAST");
    app->add_option("--wait-online", command.waitOnline,
                    "Wait up to this long for a unit that does not answer yet (a connect about every second)")
        ->check(CLI::Range(0.0, 86400.0))
        ->type_name("SECONDS");
    app->add_option("--step-timeout", command.stepTimeout,
                    "Fail a step that takes longer than this, on top of the protocol's own limits")
        ->check(CLI::Range(0.0, 86400.0))
        ->type_name("SECONDS");
    app->add_option("--retry", command.retry,
                    "Run a step again, up to N times with a growing pause, when the unit refused the connection")
        ->check(CLI::Range(0, 100))
        ->type_name("N");
    app->add_option("--log-dir", command.logDir, "Keep a log file per unit in this folder (ADDRESS.log, appended to)")
        ->type_name("DIR");
    app->add_option("ADDRESS", command.addresses, "Unit address, or a range such as 127.0.0.2-127.0.0.17");
    return app;
}

std::string LanguageList() {
    std::string names;
    for (const char* name : kLanguageNames) names += std::string(names.empty() ? "" : " ") + name;
    return names;
}

} // namespace

ParsedCommand ParseLineCommand(const std::vector<std::string>& arguments) {
    ParsedCommand parsed;
    LineCommand command;
    auto app = MakeApp(command);
    std::vector<std::string> reversed(arguments.rbegin(), arguments.rend());
    try {
        app->parse(reversed);
    } catch (const CLI::CallForHelp&) {
        parsed.text = app->help();
        return parsed;
    } catch (const CLI::ParseError& error) {
        parsed.exitStatus = kExitBadUsage;
        parsed.text = error.what();
        return parsed;
    }
    parsed.command = std::move(command);
    return parsed;
}

bool BuildLineJob(const LineCommand& command, const std::string& searchLibraryPath, LineJob& job,
                  std::string& error) {
    JobSteps& steps = job.settings.steps;
    steps = {};
    job.jobs = command.jobs;
    if (!command.firmware.empty()) {
        // The journal records where the package is, whatever folder the runner started in.
        const std::string path = std::filesystem::absolute(command.firmware).string();
        // Read, checked and hashed once: every unit sends these very bytes.
        job.settings.firmware = std::filesystem::is_regular_file(path) ? FirmwarePackage::Snapshot(path) : nullptr;
        if (!job.settings.firmware) {
            error = "cannot use the firmware package " + command.firmware + ": not a readable update package";
            return false;
        }
        steps.firmwarePackage = path;
    }
    if (!command.language.empty()) {
        auto found = std::find(kLanguageNames.begin(), kLanguageNames.end(), command.language);
        if (found == kLanguageNames.end()) {
            error = "unknown language " + command.language + "; one of: " + LanguageList();
            return false;
        }
        steps.language = static_cast<int>(found - kLanguageNames.begin());
    }
    if (!command.video.empty()) steps.videoStandard = command.video == "NTSC" ? 1 : 0;
    steps.time = command.time;
    steps.reboot = command.reboot;
    if (!command.macFirst.empty()) {
        if (ValidateMacText(command.macFirst) != kMacTextWellFormed) {
            error = "not a MAC address: " + command.macFirst;
            return false;
        }
        steps.mac = true;
    }
    job.settings.journal.station = command.station;
    job.settings.journal.journalChanged = command.journalChanged;
    if (!command.journal.empty()) {
        try {
            // Absolute: the journal is the same file whatever folder the runner started in.
            job.settings.journal.location = ParseJournalLocation(command.journal).text;
        } catch (const JournalError& bad) {
            error = bad.what();
            return false;
        }
    }
    if (!command.macPool.empty()) {
        const size_t dash = command.macPool.find('-');
        const std::string first = command.macPool.substr(0, dash);
        const std::string last = dash == std::string::npos ? "" : command.macPool.substr(dash + 1);
        auto low = ParseMacNumber(first), high = ParseMacNumber(last);
        if (!low || !high || *low > *high) {
            error = "not a MAC pool FIRST-LAST: " + command.macPool;
            return false;
        }
        job.settings.journal.poolFirst = first;
        job.settings.journal.poolLast = last;
    }

    std::optional<SerialPattern> pattern;
    std::optional<std::map<uint32_t, std::string>> serialFile;
    if (!command.serial.empty()) {
        steps.serial = true;
        if (command.serial.find('{') == std::string::npos && std::filesystem::is_regular_file(command.serial))
            serialFile = ReadSerialFile(command.serial, error);
        else
            pattern = ParseSerialPattern(command.serial, error);
        if (!pattern && !serialFile) return false;
    }
    if (steps.InOrder().empty()) {
        error = "nothing to do: choose at least one of --firmware, --language, --video, --time, --mac, --serial, "
                "--reboot";
        return false;
    }
    auto milliseconds = [](double seconds) { return Milliseconds(static_cast<long long>(seconds * 1000 + 0.5)); };
    job.settings.waitOnline = milliseconds(command.waitOnline);
    job.settings.stepTimeout = milliseconds(command.stepTimeout);
    job.settings.retries = command.retry;
    steps.online = job.settings.waitOnline.count() > 0;

    std::vector<uint32_t> addresses;
    std::map<uint32_t, int> webPorts;
    for (const std::string& argument : command.addresses)
        if (!AppendAddressArgument(argument, addresses, error)) return false;
    for (const std::string& adapter : command.searchAdapters) {
        std::vector<FoundUnit> found;
        if (!SearchAdapter(adapter, searchLibraryPath, found, error)) return false;
        for (const FoundUnit& unit : found) {
            auto address = ParseUnitAddress(unit.address);
            if (!address) continue;
            addresses.push_back(*address);
            webPorts[*address] = unit.webPort;
        }
    }
    if (addresses.empty()) {
        error = "no unit: give addresses or --search ADAPTER";
        return false;
    }
    if (auto twice = FirstDuplicate(addresses)) {
        error = FormatUnitAddress(*twice) + " is given more than once";
        return false;
    }
    std::sort(addresses.begin(), addresses.end());

    // Identities go out in address order, stepped as the console steps its MAC text.
    job.units.clear();
    std::string mac = command.macFirst;
    for (size_t index = 0; index < addresses.size(); ++index) {
        UnitPlan unit;
        unit.address = FormatUnitAddress(addresses[index]);
        auto port = webPorts.find(addresses[index]);
        unit.webPort = command.webPort.value_or(port != webPorts.end() ? port->second : 80);
        if (steps.mac) {
            unit.mac = mac;
            std::string next;
            StepMacText(mac, next);
            mac = next;
        }
        if (pattern) unit.serial = pattern->Nth(index);
        if (serialFile) {
            auto serial = serialFile->find(addresses[index]);
            if (serial == serialFile->end()) {
                error = "no serial for " + unit.address + " in " + command.serial;
                return false;
            }
            unit.serial = serial->second;
        }
        if (steps.serial && CheckSerialText(unit.serial, unit.address) != SerialRefusal::None) {
            error = "the serial \"" + unit.serial + "\" for " + unit.address + " cannot be sent: " +
                    SerialRefusalMessage(CheckSerialText(unit.serial, unit.address)).english;
            return false;
        }
        job.units.push_back(std::move(unit));
    }
    return true;
}

} // namespace tarnwell::line
