#pragma once
// Times the operator gives the journal's commands (export --since). Only
// RFC 3339 is taken: a full date (2026-12-09), or a date and time with its
// offset (2026-12-09T08:00:00Z, 2026-12-09 10:00:00.5+02:00).
#include <optional>
#include <string>

namespace tarnwell {

// The moment as the journal writes its stamps ("2026-12-09T08:00:00.000Z",
// in UTC, so it compares as text), or nothing for a text that is not a valid
// RFC 3339 time (2026-13-45, 24:00, a missing offset). A fraction finer than
// a millisecond rounds up, so "at or after" keeps its meaning.
std::optional<std::string> JournalTimeFromRfc3339(const std::string& text);

} // namespace tarnwell
