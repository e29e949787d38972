#pragma once
// The runner's command line, and the job it stands for. Everything that can
// be wrong with the command line is found here, before anything is sent.
#include "line/line_job.h"

#include <optional>
#include <string>
#include <vector>

namespace tarnwell::line {

inline constexpr int kExitAllSucceeded = 0;
inline constexpr int kExitSomeFailed = 1;
inline constexpr int kExitBadUsage = 2;

struct LineCommand {
    int jobs = 0;
    bool json = false;
    std::string firmware;
    std::string language;
    std::string video;
    bool time = false;
    std::string macFirst;
    std::string serial;
    bool reboot = false;
    std::vector<std::string> searchAdapters;
    std::optional<int> webPort; // all units; otherwise a found unit's own, else 80
    std::string journal;        // "": the default journal
    bool journalChanged = false;
    std::string station;
    std::string macPool;        // "FIRST-LAST"
    double waitOnline = 0;      // seconds; 0: a unit must answer at once
    double stepTimeout = 0;     // seconds; 0: only the protocol's own limits
    int retry = 0;
    std::string logDir;         // "": no log files
    std::vector<std::string> addresses;
};

struct ParsedCommand {
    std::optional<LineCommand> command; // nothing: see exitStatus and text
    int exitStatus = kExitAllSucceeded; // 0 with text for --help
    std::string text;                   // the help, or what is wrong
};

ParsedCommand ParseLineCommand(const std::vector<std::string>& arguments);

// Turns the command into the job: checks the package, the language, the MAC,
// the serials, finds the units (searching adapters), refuses duplicates, and
// gives each unit its MAC and serial in address order. False with `error`.
bool BuildLineJob(const LineCommand& command, const std::string& searchLibraryPath, LineJob& job,
                  std::string& error);

} // namespace tarnwell::line
