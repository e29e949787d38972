#include "journal/journal_command.h"

#include "journal/journal.h"
#include "journal/journal_export.h"
#include "journal/journal_fault_text.h"
#include "journal/journal_location.h"
#include "journal/mac_number.h"
#include "journal/rfc3339_time.h"
#include "journal/station_memory.h"

#include <CLI/CLI.hpp>
#include <nlohmann/json.hpp>

#include <regex>

#if TARNWELL_WEB_VIEW
#include "dashboard/serve_journal.h"
#endif

namespace tarnwell {
namespace {

void PrintConflicts(std::ostream& out, Journal& journal, uint64_t mac) {
    for (const MacConflict& conflict : journal.MacConflicts(mac)) {
        out << FormatMacNumber(mac) << " CONFLICT: unit " << conflict.unit << " at " << conflict.station
            << " wrote it at " << conflict.at << " after its reservation was released (the journal had it "
            << conflict.holderState;
        if (conflict.holder != 0 && conflict.holderState != MacStateName(MacState::Released))
            out << " by unit " << conflict.holder;
        out << "): two devices may carry it\n";
    }
}

// What the journal knows of the unit holding `entry`, for the operator who
// is about to release its MAC.
void DescribeHolder(std::ostream& out, Journal& journal, const MacEntry& entry) {
    out << FormatMacNumber(entry.mac) << " is " << MacStateName(entry.state) << " by unit " << entry.unit << " at station "
        << entry.station << " since " << entry.updatedAt << "\n";
    for (const UnitRecord& unit : journal.FindUnits(FormatMacNumber(entry.mac))) {
        if (unit.id != entry.unit) continue;
        out << "  unit " << unit.id << ": address " << unit.address << ", started " << unit.startedAt << ", "
            << (unit.outcome == kOutcomeRunning ? std::string("never ended") : "ended " + unit.endedAt + " " + unit.outcome)
            << (unit.serial.empty() ? "" : ", serial " + unit.serial) << "\n";
    }
    const auto steps = journal.Steps(entry.unit);
    if (steps.empty()) {
        out << "  no step of it reached its end: the MAC may or may not be on its device\n";
        return;
    }
    const StepRecord& last = steps.back();
    out << "  its last recorded step: " << last.step << " " << last.result << " at " << last.endedAt << "\n";
}

int Release(std::ostream& out, std::ostream& err, Journal& journal, const std::string& macText, bool yes) {
    auto mac = ParseMacNumber(macText);
    if (!mac) {
        err << "not a MAC address: " << macText << "\n";
        return 2;
    }
    auto entry = journal.LookupMac(*mac);
    if (!entry) {
        err << FormatMacNumber(*mac) << " was never handed out; nothing to release\n";
        return 1;
    }
    if (entry->state != MacState::Reserved && entry->state != MacState::Failed) {
        err << FormatMacNumber(*mac) << " is " << MacStateName(entry->state) << " (unit " << entry->unit
            << "); only a reserved or failed address can be released\n";
        return 1;
    }
    DescribeHolder(out, journal, *entry);
    if (!yes) {
        err << "not released: check that unit's device first; if it does not carry " << FormatMacNumber(*mac)
            << ", run again with --yes\n";
        return 1;
    }
    if (!journal.ReleaseMac(*mac)) {
        err << FormatMacNumber(*mac) << " changed meanwhile; not released\n";
        return 1;
    }
    out << "released " << FormatMacNumber(*mac) << " (was " << MacStateName(entry->state) << " by unit "
        << entry->unit << ")\n";
    return 0;
}

} // namespace

int RunJournalCommand(const std::vector<std::string>& arguments, std::ostream& out, std::ostream& err) {
    CLI::App app{"Reads and mends the Tarnwell manufacturing journal.", "tarnwell-journal"};
    std::string location;
    bool journalChanged = false;
    app.add_option("--journal", location,
                   "SQLite file or postgresql:// connection string (default " + DefaultJournalPath() + ")");
    app.add_flag("--journal-changed", journalChanged,
                 "The journal at this place was replaced on purpose: take it, and remember it from now on");
    app.require_subcommand(1);

    auto* initCommand = app.add_subcommand("init", "make a new, empty journal where none is");

    auto* exportCommand = app.add_subcommand("export", "every unit: --csv for a spreadsheet, --json with the steps");
    bool csv = false, json = false;
    std::string since;
    auto* csvFlag = exportCommand->add_flag("--csv", csv, "one unit per row, RFC 4180");
    auto* jsonFlag = exportCommand->add_flag("--json", json, "units with their steps and messages");
    csvFlag->excludes(jsonFlag);
    exportCommand->add_option("--since", since, "only units started at or after this RFC 3339 time (2026-12-09T08:00:00Z)");

    auto* findCommand = app.add_subcommand("find", "the units that got a MAC address or carry a serial number");
    std::string key;
    findCommand->add_option("key", key, "MAC address or serial number")->required();

    auto* releaseCommand =
        app.add_subcommand("release", "free a MAC reserved by a unit whose write never reported back");
    std::string macText;
    bool yes = false;
    releaseCommand->add_option("mac", macText, "the MAC address")->required();
    releaseCommand->add_flag("--yes", yes, "release it (without: only say what the journal knows of its unit)");

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
    std::optional<std::string> sinceStamp;
    try {
        app.parse(reversed);
        if (*exportCommand && csv == json) throw CLI::ValidationError("export", "choose --csv or --json");
        if (!since.empty() && !(sinceStamp = JournalTimeFromRfc3339(since)))
            throw CLI::ValidationError("--since", "not an RFC 3339 time such as 2026-12-09T08:00:00Z: " + since);
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
        if (!location.empty()) {
            const JournalLocation where = ParseJournalLocation(location);
            if (where.kind == JournalLocation::Kind::Sqlite && where.text != location)
                err << "journal " << where.text << "\n";
        }
        JournalOpening opening;
        opening.stationMemory = DefaultStationMemoryPath();
        opening.journalChanged = journalChanged;
        if (*initCommand) {
            auto journal = CreateJournal(location, opening);
            out << "made journal " << journal->Identity().id << " at "
                << (location.empty() ? DefaultJournalPath() : ParseJournalLocation(location).place) << "\n";
            return 0;
        }
        auto journal = OpenJournal(location, opening);
        if (*exportCommand) {
            auto units = journal->Units(sinceStamp.value_or(""));
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
                PrintConflicts(out, *journal, *mac);
            }
            return units.empty() ? 1 : 0;
        }
        return Release(out, err, *journal, macText, yes);
    } catch (const JournalError& error) {
        const JournalMessage text = JournalErrorText(error);
        err << "journal: " << text.chinese << "\njournal: " << text.english << "\n";
        return 3;
    }
}

} // namespace tarnwell
