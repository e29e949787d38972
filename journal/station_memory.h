#pragma once
// What a station remembers of the journals it wrote, so that a journal that
// was emptied, deleted and made again, swapped for another or put back from
// an older copy is not taken for the one it replaced (the MACs it handed out
// would then go out again). One small JSON file beside the default journal
// ($XDG_DATA_HOME/Tarnwell/stations.json), shared by the console and the line
// tools of the user: per place (a file path or a URL without its password),
// the journal's id and the highest MAC the station handed out from it.
#include <cstdint>
#include <map>
#include <optional>
#include <string>

namespace tarnwell {

struct RememberedJournal {
    std::string journalId;
    std::optional<uint64_t> highestMac;
    std::string updatedAt;
};

using StationMemoryEntries = std::map<std::string, RememberedJournal>;

// The entries of the file's text; what cannot be read is left out.
StationMemoryEntries ParseStationMemory(const std::string& text);
std::string FormatStationMemory(const StationMemoryEntries& entries);

// $XDG_DATA_HOME/Tarnwell/stations.json (beside DefaultJournalPath()).
std::string DefaultStationMemoryPath();

class StationMemory {
public:
    StationMemory(std::string file, std::string place) : file_(std::move(file)), place_(std::move(place)) {}

    // Before a journal is made at the place: refuses (OtherJournal) when the
    // station wrote another journal there, unless `changed`.
    void RefuseReplacement(bool changed) const;
    // Refuses (OtherJournal) a journal other than the one remembered at the
    // place, or the same one holding fewer MACs than the station handed out
    // from it, unless `changed`; then, or when nothing is remembered yet,
    // remembers this one.
    void Check(const std::string& journalId, std::optional<uint64_t> highestMac, bool changed);
    // A MAC handed out: remembered when it is the highest yet.
    void NoteMac(uint64_t mac);

private:
    StationMemoryEntries Read() const;
    void Write(StationMemoryEntries entries) const;
    std::string file_, place_;
    std::string journalId_;
};

} // namespace tarnwell
