#pragma once
// The job's journal, opened once and checked before anything is sent: it is
// there and is ours (and the one this station wrote there), and no MAC of the
// plan is written, held by an unfinished write or outside the pool. Every
// unit then writes through this one journal: one database connection per
// runner, however many units run at once.
#include "line/unit_run.h"

#include <memory>
#include <string>
#include <vector>

namespace tarnwell::line {

// The journal the job names, or `journal.shared` when one was made for it
// (tests); null with `error` (the console's message, both languages): the
// job must not start.
std::shared_ptr<Journal> OpenLineJournal(const UnitJournal& journal, const std::vector<UnitPlan>& units,
                                         std::string& error);

} // namespace tarnwell::line
