#include "journal/journal_command.h"

#include "journal/journal.h"
#include "journal/journal_export.h"
#include "journal/mac_number.h"

#include <CLI/CLI.hpp>
#include <nlohmann/json.hpp>

#include <regex>

#if TARNWELL_WEB_VIEW
#include "dashboard/serve_journal.h"
#endif

namespace tarnwell {
namespace {

bool IsTimestamp(const std::string& text) {
    static const std::regex form(R"(\d{4}-\d{2}-\d{2}([T ]\d{2}(:\d{2}(:\d{2}(\.\d{1,3})?)?)?Z?)?)");
    return std::regex_match(text, form);
}

} // namespace

int RunJournalCommand(const std::vector<std::string>& arguments, std::ostream& out, std::ostream& err) {
    CLI::App app{"Reads and mends the Tarnwell manufacturing journal.", "tarnwell-journal"};
    std::string location;
    app.add_option("--journal", location,
                   "SQLite file or postgresql:// connection string (default " + DefaultJournalPath() + ")");
    app.require_subcommand(1);

    auto* exportCommand = app.add_subcommand("export", "every unit: --csv for a spreadsheet, --json with the steps");
    bool csv = false, json = false;
    std::string since;
    auto* csvFlag = exportCommand->add_flag("--csv", csv, "one unit per row, RFC 4180");
    auto* jsonFlag = exportCommand->add_flag("--json", json, "units with their steps and messages");
    csvFlag->excludes(jsonFlag);
    exportCommand->add_option("--since", since, "only units started at or after this UTC time (2026-12-09T08:00)");

    auto* findCommand = app.add_subcommand("find", "the units that got a MAC address or carry a serial number");
    std::string key;
    findCommand->add_option("key", key, "MAC address or serial number")->required();

    auto* releaseCommand =
        app.add_subcommand("release", "free a MAC reserved by a unit whose write never reported back");
    std::string macText;
    releaseCommand->add_option("mac", macText, "the MAC address")->required();

    auto* serveCommand = app.add_subcommand(
        "serve", "the line's web view of the journal: a page and a JSON API over HTTP, read only");
    std::string serveJournal, listen = "127.0.0.1:8088", token, tokenFile, macPool;
    serveCommand->add_option("--journal", serveJournal, "SQLite file or postgresql:// connection string");
    serveCommand->add_option("--listen", listen, "HOST:PORT to listen on (default 127.0.0.1:8088; any other than "
                                                 "loopback needs --token)");
    serveCommand->add_option("--token", token, "a secret every request must carry (8 to 256 letters, digits, -._~+/=)");
    serveCommand->add_option("--token-file", tokenFile, "read the token from the first line of this file");
    serveCommand->add_option("--mac-pool", macPool, "the line's MAC pool FIRST-LAST, for the free addresses and "
                                                    "the hour they run out");

    std::vector<std::string> reversed(arguments.rbegin(), arguments.rend());
    try {
        app.parse(reversed);
        if (*exportCommand && csv == json) throw CLI::ValidationError("export", "choose --csv or --json");
        if (!since.empty() && !IsTimestamp(since))
            throw CLI::ValidationError("--since", "not a time such as 2026-12-09T08:00: " + since);
    } catch (const CLI::ParseError& error) {
        return app.exit(error, out, err) == 0 ? 0 : 2;
    }

    if (*serveCommand) {
#if TARNWELL_WEB_VIEW
        return dashboard::ServeJournal({serveJournal.empty() ? location : serveJournal, listen, token, tokenFile, macPool},
                                       out, err);
#else
        (void)token;
        err << "journal: this build of Tarnwell has no web view (it has no journal databases)\n";
        return 3;
#endif
    }

    try {
        auto journal = OpenJournal(location);
        if (*exportCommand) {
            if (!since.empty() && since.size() > 10) since[10] = 'T';
            auto units = journal->Units(since);
            if (csv)
                WriteUnitsCsv(out, units);
            else
                WriteUnitsJson(out, units, *journal);
            return 0;
        }
        if (*findCommand) {
            auto units = journal->FindUnits(key);
            WriteUnitsJson(out, units, *journal);
            if (auto mac = ParseMacNumber(key)) {
                if (auto entry = journal->LookupMac(*mac))
                    out << FormatMacNumber(*mac) << " " << MacStateName(entry->state) << " by unit " << entry->unit
                        << " at " << entry->station << " (" << entry->updatedAt << ")\n";
            }
            return units.empty() ? 1 : 0;
        }
        auto mac = ParseMacNumber(macText);
        if (!mac) {
            err << "not a MAC address: " << macText << "\n";
            return 2;
        }
        auto entry = journal->LookupMac(*mac);
        if (!entry) {
            err << FormatMacNumber(*mac) << " was never handed out; nothing to release\n";
            return 1;
        }
        if (!journal->ReleaseMac(*mac)) {
            err << FormatMacNumber(*mac) << " is " << MacStateName(entry->state) << " (unit " << entry->unit
                << "); only a reserved or failed address can be released\n";
            return 1;
        }
        out << "released " << FormatMacNumber(*mac) << " (was " << MacStateName(entry->state) << " by unit "
            << entry->unit << ")\n";
        return 0;
    } catch (const JournalError& error) {
        err << "journal: " << error.what() << "\n";
        return 3;
    }
}

} // namespace tarnwell
