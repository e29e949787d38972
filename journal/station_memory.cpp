#include "journal/station_memory.h"

#include "journal/journal.h"
#include "journal/journal_error.h"
#include "journal/mac_number.h"
#include "journal/random_hex.h"
#include "platform/user_data_folder.h"

#include <nlohmann/json.hpp>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <vector>

namespace tarnwell {
namespace {

// Old places of temporary folders must not make the file grow for ever.
constexpr size_t kMostPlaces = 256;

std::string Described(const std::string& place, const RememberedJournal& remembered) {
    std::string text = "this station wrote journal " + remembered.journalId + " at " + place;
    if (remembered.highestMac) text += " and handed out MACs up to " + FormatMacNumber(*remembered.highestMac);
    return text;
}

const char kHowToAccept[] =
    "; if the journal was replaced on purpose, say so with --journal-changed (the MACs of the old one may then be "
    "handed out again)";

} // namespace

StationMemoryEntries ParseStationMemory(const std::string& text) {
    StationMemoryEntries entries;
    auto document = nlohmann::json::parse(text, nullptr, false);
    if (!document.is_object()) return entries;
    auto journals = document.find("journals");
    if (journals == document.end() || !journals->is_object()) return entries;
    for (const auto& [place, item] : journals->items()) {
        if (!item.is_object()) continue;
        auto id = item.find("journal_id");
        if (id == item.end() || !id->is_string() || id->get<std::string>().empty()) continue;
        RememberedJournal remembered;
        remembered.journalId = id->get<std::string>();
        auto mac = item.find("highest_mac");
        if (mac != item.end() && mac->is_string()) remembered.highestMac = ParseMacNumber(mac->get<std::string>());
        auto updated = item.find("updated_at");
        if (updated != item.end() && updated->is_string()) remembered.updatedAt = updated->get<std::string>();
        entries[place] = std::move(remembered);
    }
    return entries;
}

std::string FormatStationMemory(const StationMemoryEntries& entries) {
    nlohmann::json journals = nlohmann::json::object();
    for (const auto& [place, remembered] : entries) {
        nlohmann::json item{{"journal_id", remembered.journalId}, {"updated_at", remembered.updatedAt}};
        if (remembered.highestMac) item["highest_mac"] = FormatMacNumber(*remembered.highestMac);
        journals[place] = std::move(item);
    }
    return nlohmann::json{{"journals", journals}}.dump(2, ' ', false, nlohmann::json::error_handler_t::replace) + "\n";
}

std::string DefaultStationMemoryPath() {
    return (std::filesystem::path(DefaultJournalPath()).parent_path() / "stations.json").string();
}

StationMemoryEntries StationMemory::Read() const {
    std::ifstream in(file_, std::ios::binary);
    if (!in) return {};
    std::ostringstream text;
    text << in.rdbuf();
    return ParseStationMemory(text.str());
}

void StationMemory::Write(StationMemoryEntries entries) const {
    if (entries.size() > kMostPlaces) {
        std::vector<std::pair<std::string, std::string>> byAge;
        for (const auto& [place, remembered] : entries) byAge.emplace_back(remembered.updatedAt, place);
        std::sort(byAge.begin(), byAge.end());
        for (size_t i = 0; i + kMostPlaces < byAge.size(); ++i) entries.erase(byAge[i].second);
    }
    namespace fs = std::filesystem;
    std::error_code error;
    fs::create_directories(fs::path(file_).parent_path(), error);
    // A whole new file in place of the old: a reader never sees half of one.
    const std::string temporary = file_ + "." + RandomHex(4);
    {
        std::ofstream out(temporary, std::ios::binary | std::ios::trunc);
        out << FormatStationMemory(entries);
        if (!out.flush()) {
            fs::remove(temporary, error);
            return;
        }
    }
    fs::rename(temporary, file_, error);
    if (error) fs::remove(temporary, error);
}

void StationMemory::RefuseReplacement(bool changed) const {
    if (changed) return;
    const auto entries = Read();
    auto known = entries.find(place_);
    if (known == entries.end()) return;
    throw JournalError(JournalFault::OtherJournal,
                       Described(place_, known->second) + "; a new journal there would not know them" + kHowToAccept);
}

void StationMemory::Check(const std::string& journalId, std::optional<uint64_t> highestMac, bool changed) {
    auto entries = Read();
    auto known = entries.find(place_);
    if (known != entries.end() && !changed) {
        const RememberedJournal& remembered = known->second;
        if (remembered.journalId != journalId)
            throw JournalError(JournalFault::OtherJournal, Described(place_, remembered) + "; the journal there now is " +
                                                               journalId + kHowToAccept);
        if (remembered.highestMac && (!highestMac || *highestMac < *remembered.highestMac))
            throw JournalError(JournalFault::OtherJournal,
                               Described(place_, remembered) + "; the journal there now knows only " +
                                   (highestMac ? "MACs up to " + FormatMacNumber(*highestMac) : std::string("no MAC")) +
                                   ": it is an older copy" + kHowToAccept);
    }
    journalId_ = journalId;
    if (known != entries.end() && !changed && known->second.journalId == journalId) return;
    entries[place_] = {journalId, highestMac, JournalTimestamp()};
    Write(std::move(entries));
}

void StationMemory::NoteMac(uint64_t mac) {
    auto entries = Read();
    RememberedJournal& remembered = entries[place_];
    if (remembered.journalId.empty()) remembered.journalId = journalId_;
    // Another journal remembered meanwhile (--journal-changed elsewhere): that one is the truth now.
    if (remembered.journalId != journalId_) return;
    if (remembered.highestMac && *remembered.highestMac >= mac) return;
    remembered.highestMac = mac;
    remembered.updatedAt = JournalTimestamp();
    Write(std::move(entries));
}

} // namespace tarnwell
