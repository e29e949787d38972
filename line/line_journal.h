#pragma once
// The job's journal, checked before anything is sent: it opens (created when
// new), and no MAC of the plan is written, held by an unfinished write or
// outside the pool. Each unit's console then writes it on its own connection.
#include "line/unit_run.h"

#include <string>
#include <vector>

namespace tarnwell::line {

// False with `error` (the console's message, both languages): the job must not start.
bool CheckLineJournal(const UnitJournal& journal, const std::vector<UnitPlan>& units, std::string& error);

} // namespace tarnwell::line
