#pragma once
// The journal as a spreadsheet or as data: CSV (one unit per row, RFC 4180)
// and JSON (units with their steps and messages).
#include "journal/journal.h"

#include <nlohmann/json.hpp>

#include <ostream>
#include <string>
#include <vector>

namespace tarnwell {

// One field, quoted when it holds a comma, a quote, CR or LF. A field that a
// spreadsheet would take for a formula (=, +, -, @, tab, CR first) gets a
// leading apostrophe, so it is shown, never run.
std::string CsvField(const std::string& text);

// A UTF-8 byte-order mark, so spreadsheets read the Chinese texts right, a
// header row, then one CRLF-ended row per unit.
void WriteUnitsCsv(std::ostream& out, const std::vector<UnitRecord>& units);

// One unit's fields as the JSON export and the web view write them.
nlohmann::json UnitAsJson(const UnitRecord& unit);

// An array of units, each with "steps"; `journal` supplies the steps.
void WriteUnitsJson(std::ostream& out, const std::vector<UnitRecord>& units, Journal& journal);

} // namespace tarnwell
