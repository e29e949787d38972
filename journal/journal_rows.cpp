#include "journal/journal_rows.h"

#include <nlohmann/json.hpp>

namespace tarnwell {

const char kUnitColumns[] = "SELECT id, station, started_at, ended_at, address, serial, mac, package_path, "
                            "package_sha256, outcome FROM units ";

UnitRecord UnitFromRow(const SqlRow& row) {
    UnitRecord unit;
    unit.id = std::stoll(RowText(row[0]));
    unit.station = RowText(row[1]);
    unit.startedAt = RowText(row[2]);
    unit.endedAt = RowText(row[3]);
    unit.address = RowText(row[4]);
    unit.serial = RowText(row[5]);
    unit.mac = RowText(row[6]);
    unit.packagePath = RowText(row[7]);
    unit.packageSha256 = RowText(row[8]);
    unit.outcome = RowText(row[9]);
    return unit;
}

namespace {

std::optional<MacState> MacStateFromName(const std::string& name) {
    for (MacState state : {MacState::Reserved, MacState::Written, MacState::Failed, MacState::Released})
        if (name == MacStateName(state)) return state;
    return std::nullopt;
}

} // namespace

MacEntry MacFromRow(const SqlRow& row) {
    MacEntry entry;
    entry.mac = std::stoull(RowText(row[0]));
    entry.state = MacStateFromName(RowText(row[1])).value_or(MacState::Reserved);
    entry.unit = row[2] ? std::stoll(*row[2]) : 0;
    entry.station = RowText(row[3]);
    entry.updatedAt = RowText(row[4]);
    return entry;
}

std::string MessagesJson(const std::vector<JournalMessage>& messages) {
    nlohmann::json list = nlohmann::json::array();
    for (const auto& message : messages) list.push_back({{"chinese", message.chinese}, {"english", message.english}});
    // Replace, not throw, on a text that is not valid UTF-8: the record must not be lost.
    return list.dump(-1, ' ', false, nlohmann::json::error_handler_t::replace);
}

std::vector<JournalMessage> MessagesFromJson(const std::string& text) {
    std::vector<JournalMessage> messages;
    auto list = nlohmann::json::parse(text, nullptr, false);
    if (!list.is_array()) return messages;
    for (const auto& item : list)
        if (item.is_object())
            messages.push_back({item.value("chinese", std::string()), item.value("english", std::string())});
    return messages;
}

} // namespace tarnwell
