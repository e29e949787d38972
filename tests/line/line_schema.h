#pragma once
// The JSON lines' schema as the README documents it, checked line by line.
#include <gtest/gtest.h>
#include <nlohmann/json.hpp>

#include <map>
#include <regex>
#include <set>
#include <string>
#include <vector>

namespace tarnwell::test {

inline void ExpectKeys(const nlohmann::json& object, std::set<std::string> required, std::set<std::string> optional = {}) {
    for (const auto& key : required) EXPECT_TRUE(object.contains(key)) << "missing " << key << " in " << object.dump();
    for (const auto& [key, value] : object.items())
        EXPECT_TRUE(required.count(key) || optional.count(key)) << "unexpected " << key << " in " << object.dump();
}

// Step lines come before their unit's line, each unit once, the summary last;
// the summary's counts agree with the unit lines. Returns the unit lines by address.
inline std::map<std::string, nlohmann::json> CheckJsonLines(const std::vector<nlohmann::json>& lines) {
    const std::set<std::string> results{"ok", "failed", "refused", "stopped", "unconfirmed"};
    const std::set<std::string> unitResults{"ok", "failed", "stopped", "unconfirmed"};
    const std::set<std::string> steps{"online", "language", "mac", "video", "time", "serial", "firmware", "reboot"};
    std::map<std::string, nlohmann::json> units;
    std::map<std::string, int> stepLines;
    // RFC 3339 in UTC, to the millisecond.
    const std::regex time(R"(\d{4}-\d{2}-\d{2}T\d{2}:\d{2}:\d{2}\.\d{3}Z)");
    std::string previousTime;
    EXPECT_FALSE(lines.empty());
    for (size_t i = 0; i < lines.size(); ++i) {
        const auto& line = lines[i];
        const std::string type = line.value("type", "");
        EXPECT_EQ(line.value("schema", 0), 1) << line.dump();
        const std::string at = line.value("time", "");
        EXPECT_TRUE(std::regex_match(at, time)) << line.dump();
        EXPECT_LE(previousTime, at) << "time goes back: " << line.dump();
        previousTime = at;
        if (type == "step") {
            ExpectKeys(line, {"type", "schema", "time", "unit", "step", "result", "messages", "bytes_sent", "seconds"},
                       {"failure", "attempts"});
            // Whatever is not ok says why, in a failure kind and a message.
            if (line["result"] != "ok" && line["result"] != "unconfirmed") {
                EXPECT_TRUE(line.contains("failure")) << line.dump();
                EXPECT_FALSE(line["messages"].empty()) << line.dump();
            }
            EXPECT_TRUE(steps.count(line["step"].get<std::string>()));
            EXPECT_TRUE(results.count(line["result"].get<std::string>()));
            EXPECT_TRUE(line["bytes_sent"].is_number_unsigned());
            EXPECT_TRUE(line["seconds"].is_number());
            for (const auto& message : line["messages"]) {
                ExpectKeys(message, {"chinese", "english"});
                EXPECT_TRUE(message["chinese"].is_string() && message["english"].is_string());
            }
            EXPECT_FALSE(units.count(line["unit"])) << "step after its unit's end: " << line.dump();
            ++stepLines[line["unit"]];
        } else if (type == "unit") {
            ExpectKeys(line, {"type", "schema", "time", "unit", "result", "steps", "not_run", "seconds"},
                       {"mac", "serial", "package_sha256", "journal_unit"});
            if (line.contains("journal_unit")) {
                EXPECT_TRUE(line["journal_unit"].is_number_integer()) << line.dump();
            }
            if (line.contains("package_sha256")) {
                EXPECT_TRUE(std::regex_match(line["package_sha256"].get<std::string>(), std::regex("[0-9a-f]{64}")));
            }
            EXPECT_TRUE(unitResults.count(line["result"].get<std::string>()));
            EXPECT_EQ(line["steps"].size(), static_cast<size_t>(stepLines[line["unit"]]));
            for (const auto& step : line["steps"]) ExpectKeys(step, {"step", "result"});
            for (const auto& name : line["not_run"]) EXPECT_TRUE(steps.count(name.get<std::string>()));
            EXPECT_TRUE(units.emplace(line["unit"].get<std::string>(), line).second) << "unit twice: " << line.dump();
        } else {
            EXPECT_EQ(type, "summary");
            EXPECT_EQ(i + 1, lines.size()) << "the summary is the last line";
            ExpectKeys(line, {"type", "schema", "time", "units", "ok", "failed", "stopped", "unconfirmed", "interrupted",
                              "seconds", "exit_status"});
            std::map<std::string, size_t> counted;
            for (const auto& [address, unit] : units) ++counted[unit["result"].get<std::string>()];
            EXPECT_EQ(line["units"].get<size_t>(), units.size());
            EXPECT_EQ(line["ok"].get<size_t>(), counted["ok"]);
            EXPECT_EQ(line["failed"].get<size_t>(), counted["failed"]);
            EXPECT_EQ(line["stopped"].get<size_t>(), counted["stopped"]);
            EXPECT_EQ(line["unconfirmed"].get<size_t>(), counted["unconfirmed"]);
            EXPECT_EQ(line["exit_status"].get<int>(), counted["ok"] == units.size() ? 0 : 1);
        }
    }
    return units;
}

} // namespace tarnwell::test
