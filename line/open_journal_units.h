#pragma once
// The journal units of a job that are begun and not yet ended. A second
// Ctrl-C ends the program while units still run; their rows are closed as
// "interrupted" first, so none stays "running" for ever.
#include <cstdint>
#include <functional>
#include <mutex>
#include <set>
#include <string>

namespace tarnwell::line {

struct UnitJournal;

class OpenJournalUnits {
public:
    void Opened(int64_t unit);
    // Runs `end` (which writes the unit's own outcome) and forgets the unit;
    // never at the same time as CloseAll, so neither overwrites the other.
    void Ended(int64_t unit, const std::function<void()>& end);
    // Ends every open unit with `outcome` on a connection of its own. The
    // number of units closed; false with `error` when the journal failed.
    bool CloseAll(const UnitJournal& journal, const std::string& outcome, size_t& closed, std::string& error);

private:
    std::mutex mutex_;
    std::set<int64_t> units_;
};

} // namespace tarnwell::line
