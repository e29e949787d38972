#include "journal/journal_export.h"

#include <nlohmann/json.hpp>

namespace tarnwell {

std::string CsvField(const std::string& field) {
    // A serial typed as "=HYPERLINK(...)" must stay text when the export is opened.
    const std::string text = !field.empty() && std::string("=+-@\t\r").find(field[0]) != std::string::npos
                                 ? "'" + field
                                 : field;
    if (text.find_first_of(",\"\r\n") == std::string::npos) return text;
    std::string quoted = "\"";
    for (char c : text) {
        if (c == '"') quoted += '"';
        quoted += c;
    }
    return quoted + "\"";
}

void WriteUnitsCsv(std::ostream& out, const std::vector<UnitRecord>& units) {
    out << "\xEF\xBB\xBF"
        << "unit,station,started_at,ended_at,address,serial,mac,package_path,package_sha256,outcome\r\n";
    for (const auto& unit : units) {
        out << unit.id;
        for (const std::string* field : {&unit.station, &unit.startedAt, &unit.endedAt, &unit.address, &unit.serial,
                                         &unit.mac, &unit.packagePath, &unit.packageSha256, &unit.outcome})
            out << ',' << CsvField(*field);
        out << "\r\n";
    }
}

nlohmann::json UnitAsJson(const UnitRecord& unit) {
    return {{"unit", unit.id},
            {"station", unit.station},
            {"started_at", unit.startedAt},
            {"ended_at", unit.endedAt},
            {"address", unit.address},
            {"serial", unit.serial},
            {"mac", unit.mac},
            {"package_path", unit.packagePath},
            {"package_sha256", unit.packageSha256},
            {"outcome", unit.outcome}};
}

void WriteUnitsJson(std::ostream& out, const std::vector<UnitRecord>& units, Journal& journal) {
    nlohmann::json list = nlohmann::json::array();
    for (const auto& unit : units) {
        nlohmann::json steps = nlohmann::json::array();
        for (const auto& step : journal.Steps(unit.id)) {
            nlohmann::json messages = nlohmann::json::array();
            for (const auto& message : step.messages)
                messages.push_back({{"chinese", message.chinese}, {"english", message.english}});
            steps.push_back({{"step", step.step},
                             {"started_at", step.startedAt},
                             {"ended_at", step.endedAt},
                             {"result", step.result},
                             {"messages", messages}});
        }
        nlohmann::json entry = UnitAsJson(unit);
        entry["steps"] = steps;
        list.push_back(std::move(entry));
    }
    out << list.dump(2, ' ', false, nlohmann::json::error_handler_t::replace) << "\n";
}

} // namespace tarnwell
