#pragma once
// tarnwell-journal: make a journal, export it, find a unit, release a MAC
// whose write never reported back. Returns the exit status.
#include <ostream>
#include <string>
#include <vector>

namespace tarnwell {

// 0 done, 1 nothing found / not released, 2 bad command line, 3 journal fault.
int RunJournalCommand(const std::vector<std::string>& arguments, std::ostream& out, std::ostream& err);

} // namespace tarnwell
