#pragma once
// Rows of the journal's tables as records, shared by the journal's writers
// and its read-only view.
#include "journal/journal.h"
#include "journal/sql_connection.h"

#include <string>
#include <vector>

namespace tarnwell {

// The columns UnitFromRow reads, in its order, ending in "FROM units ".
extern const char kUnitColumns[];
UnitRecord UnitFromRow(const SqlRow& row);

// mac, state, unit_id, station, updated_at
MacEntry MacFromRow(const SqlRow& row);

inline std::string RowText(const std::optional<std::string>& value) { return value.value_or(""); }

// A step's messages as the journal keeps them: a JSON array of both texts.
std::string MessagesJson(const std::vector<JournalMessage>& messages);
std::vector<JournalMessage> MessagesFromJson(const std::string& text);

} // namespace tarnwell
