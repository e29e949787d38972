#pragma once
// The whole runner behind main(): parse, build the job, run it with the
// progress display and the JSON lines, print the results, give the exit status.
#include "line/unit_run.h"

#include <cstdio>
#include <functional>
#include <string>
#include <vector>

namespace tarnwell::line {

struct LineStreams {
    std::FILE* out = stdout; // results: the JSON lines, or progress and the result table
    std::FILE* err = stderr; // usage errors; progress when the results are JSON
};

struct ProgramSettings {
    // Limits, pauses and work folder of every unit (the steps come from the
    // command line), and the journal used when --journal does not name one.
    UnitSettings units;
    std::string searchLibraryPath; // empty: next to the program
    // Ends the process after a second Ctrl-C, with status 130 (the shells'
    // status for an interrupted program); empty: at once, streams flushed.
    std::function<void(int)> abandon;
};

inline constexpr int kExitInterrupted = 130;

// `arguments` without the program name. Catches Ctrl-C for the job's time.
int RunLineProgram(const std::vector<std::string>& arguments, LineStreams streams,
                   const ProgramSettings& settings = {});

} // namespace tarnwell::line
