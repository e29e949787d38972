// Units per hour of the line runner: a standard job (a 32 MiB firmware
// package made with GNU tar, language, MAC, time, serial) on 16 simulated
// devices, run with --jobs 1 (one unit after the other, as the console does
// it) and with --jobs 16, side by side in one run. Goals: --jobs 16 at least
// 14 times the units per hour of --jobs 1, the runner's CPU under 10 % of one
// core per unit at work, its peak memory at most 64 MiB. Then 64 units with a
// 64 MiB package at once: peak memory at most 160 MiB (TARNWELL_BENCH_LARGE=0
// leaves that run out). And a line with faults: the 16 units again, 2 of them
// silent after the handshake and 1 refusing connections for its first 3 s,
// with --retry 3 and a --step-timeout of twice the healthy firmware step: the
// 13 healthy units within 10 % of their healthy time, the refusing one done
// by retry, the silent ones failed within the step timeout.
//
// The devices are one tarnwell-devsim process per run; each runner is a process of its
// own, so its CPU time and peak memory are its own (wait4). The devices are
// paced with the simulator's link rate (100 Mbit/s) and flash-write time when
// it offers them; an older simulator has only its answer delay, which then
// stands in for the flash write and the link is not paced (said in the output).
#include "journal/journal.h"

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <map>
#include <signal.h>
#include <string>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>
#include <vector>

namespace {

using Clock = std::chrono::steady_clock;
namespace fs = std::filesystem;

constexpr int kUnits = 16;
constexpr size_t kMemberSize = 32u * 1024 * 1024;
constexpr int kLargeUnits = 64;
constexpr size_t kLargeMemberSize = 64u * 1024 * 1024;
// The simulator's flash-write time is per MiB of member data: 6.4 s for the member.
constexpr int kFlashWriteMsPerMiB = 200;

std::string Bin(const char* name) { return std::string(TARNWELL_BIN_DIR) + "/" + name; }

// Standard output to `output` and standard error to `errors` when given.
pid_t Spawn(const std::vector<std::string>& arguments, const std::string& output, const std::string& errors = {}) {
    // A child must not print our buffered lines a second time.
    std::fflush(stdout);
    pid_t child = ::fork();
    if (child == 0) {
        std::vector<char*> argv;
        for (const auto& argument : arguments) argv.push_back(const_cast<char*>(argument.c_str()));
        argv.push_back(nullptr);
        if (!output.empty() && std::freopen(output.c_str(), "w", stdout) == nullptr) ::_exit(127);
        if (!errors.empty() && std::freopen(errors.c_str(), "w", stderr) == nullptr) ::_exit(127);
        ::execv(argv[0], argv.data());
        ::_exit(127);
    }
    return child;
}

std::string Capture(const std::string& command) {
    std::string text;
    if (FILE* pipe = ::popen(command.c_str(), "r")) {
        char chunk[4096];
        size_t got;
        while ((got = std::fread(chunk, 1, sizeof chunk, pipe)) > 0) text.append(chunk, got);
        ::pclose(pipe);
    }
    return text;
}

void MakePackage(const fs::path& dir, size_t memberSize) {
    std::ofstream(dir / "Install.xml") << "<install/>\n";
    std::vector<char> block(1 << 20);
    uint32_t state = 7;
    std::ofstream member(dir / "romfs-x.cramfs.img", std::ios::binary);
    for (size_t done = 0; done < memberSize; done += block.size()) {
        for (auto& byte : block) byte = static_cast<char>((state = state * 1664525u + 1013904223u) >> 24);
        member.write(block.data(), static_cast<std::streamsize>(block.size()));
    }
    member.close();
    const std::string command =
        "cd '" + dir.string() + "' && tar --format=ustar -cf package.tar Install.xml romfs-x.cramfs.img";
    if (std::system(command.c_str()) != 0) {
        std::fprintf(stderr, "GNU tar failed\n");
        std::exit(1);
    }
}

struct Figures {
    double seconds = 0, cpuSeconds = 0, peakMiB = 0;
    int exitStatus = -1;
    std::string json; // the run's JSON lines
};

// Each run gets simulators of its own, as each batch on a line is new units.
Figures RunJob(int jobs, const std::vector<std::vector<std::string>>& simulators, const std::string& package,
               const std::string& first, const std::string& last, int webPort, const fs::path& dir,
               const std::string& name = {}, const std::vector<std::string>& options = {}) {
    std::vector<pid_t> running;
    for (const auto& devsim : simulators) running.push_back(Spawn(devsim, ""));
    ::sleep(1);
    const std::string run = name.empty() ? "jobs" + std::to_string(jobs) : name;
    const std::string jsonPath = (dir / (run + ".json")).string();
    const std::string progressPath = (dir / (run + ".progress")).string();
    // A journal of each run's own: the runs hand out the same MAC addresses.
    const std::string journalPath = (dir / (run + ".sqlite3")).string();
    tarnwell::CreateJournal(journalPath);
    std::vector<std::string> arguments{Bin("tarnwell-line"), "--json", "--jobs", std::to_string(jobs),
                                       "--firmware", package, "--language", "English", "--mac",
                                       "02:00:00:00:10:00", "--time", "--serial", "SN-{0001}",
                                       "--web-port", std::to_string(webPort), "--journal", journalPath};
    arguments.insert(arguments.end(), options.begin(), options.end());
    arguments.push_back(first + "-" + last);
    const auto start = Clock::now();
    pid_t child = Spawn(arguments, jsonPath, progressPath);
    int status = 0;
    rusage usage{};
    ::wait4(child, &status, 0, &usage);
    Figures figures;
    figures.seconds = std::chrono::duration<double>(Clock::now() - start).count();
    figures.cpuSeconds = usage.ru_utime.tv_sec + usage.ru_utime.tv_usec / 1e6 + usage.ru_stime.tv_sec +
                         usage.ru_stime.tv_usec / 1e6;
    figures.peakMiB = usage.ru_maxrss / 1024.0;
    figures.exitStatus = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    for (pid_t simulator : running) {
        ::kill(simulator, SIGTERM);
        ::waitpid(simulator, nullptr, 0);
    }
    figures.json = jsonPath;
    if (figures.exitStatus != 0 && options.empty())
        std::fprintf(stderr, "--jobs %d ended with %d; its JSON lines are in %s, its progress in %s\n", jobs,
                     figures.exitStatus, jsonPath.c_str(), progressPath.c_str());
    return figures;
}

// The seconds of each unit's line, and of each failed step's, from a run's JSON lines.
struct UnitTimes {
    std::map<std::string, double> unitSeconds;
    std::map<std::string, std::string> unitResult;
    std::map<std::string, double> firmwareSeconds;
};

// Just enough JSON reading for the runner's own flat lines.
std::string Field(const std::string& line, const std::string& key) {
    const std::string tag = "\"" + key + "\":";
    const size_t at = line.find(tag);
    if (at == std::string::npos) return {};
    size_t from = at + tag.size(), to = from;
    if (line[from] == '"') {
        to = line.find('"', ++from);
    } else {
        while (to < line.size() && line[to] != ',' && line[to] != '}') ++to;
    }
    return line.substr(from, to - from);
}

UnitTimes ReadUnitTimes(const std::string& jsonPath) {
    UnitTimes times;
    std::ifstream in(jsonPath);
    for (std::string line; std::getline(in, line);) {
        const std::string type = Field(line, "type"), unit = Field(line, "unit");
        if (type == "unit") {
            times.unitSeconds[unit] = std::atof(Field(line, "seconds").c_str());
            times.unitResult[unit] = Field(line, "result");
        } else if (type == "step" && Field(line, "step") == "firmware") {
            times.firmwareSeconds[unit] = std::atof(Field(line, "seconds").c_str());
        }
    }
    return times;
}

// The same 16 units with three faulty ones in their midst, each group on a simulator of its own.
bool RunFaultyLine(const std::vector<std::string>& devsim, const Figures& healthy, const std::string& package,
                   const std::string& first, const std::string& last, const std::string& net, int webPort,
                   const fs::path& dir) {
    const UnitTimes reference = ReadUnitTimes(healthy.json);
    double healthyFirmware = 0;
    for (const auto& [unit, seconds] : reference.firmwareSeconds) healthyFirmware = std::max(healthyFirmware, seconds);
    const int stepTimeout = static_cast<int>(2 * healthyFirmware + 1);
    auto group = [&](int from, int count, std::vector<std::string> faults) {
        std::vector<std::string> sim = devsim;
        sim[2] = net + std::to_string(from);
        sim[4] = std::to_string(count);
        const auto log = std::find(sim.begin(), sim.end(), "--log");
        if (log != sim.end() && log + 1 != sim.end()) *(log + 1) = (dir / ("devsim-" + std::to_string(from) + ".log")).string();
        sim.insert(sim.end(), faults.begin(), faults.end());
        return sim;
    };
    const int silentFrom = 1 + kUnits - 2, refusing = 1 + kUnits;
    const std::vector<std::vector<std::string>> simulators{
        group(2, kUnits - 3, {}),
        group(silentFrom, 2, {"--fault", "silent:code=0xC7"}),
        group(refusing, 1, {"--fault", "refuse:conn=1:delay=3000"})};
    const Figures faulty = RunJob(kUnits, simulators, package, first, last, webPort, dir, "faults",
                                  {"--retry", "3", "--step-timeout", std::to_string(stepTimeout)});
    const UnitTimes times = ReadUnitTimes(faulty.json);
    double slowestHealthy = 0, slowestReference = 0;
    for (int i = 2; i < silentFrom; ++i) {
        const std::string unit = net + std::to_string(i);
        slowestHealthy = std::max(slowestHealthy, times.unitSeconds.count(unit) ? times.unitSeconds.at(unit) : 1e9);
        slowestReference = std::max(slowestReference, reference.unitSeconds.count(unit) ? reference.unitSeconds.at(unit) : 0);
    }
    bool ok = faulty.exitStatus == 1;
    std::printf("line with faults (--retry 3 --step-timeout %d): %.1f s in all\n", stepTimeout, faulty.seconds);
    const double ratio = slowestReference > 0 ? slowestHealthy / slowestReference : 0;
    std::printf("  13 healthy units: slowest %.1f s against %.1f s without faults (%.2f; goal <= 1.10)\n",
                slowestHealthy, slowestReference, ratio);
    const std::string refused = net + std::to_string(refusing);
    std::printf("  the unit refusing for 3 s: %s after %.1f s (goal: ok, by retry)\n",
                times.unitResult.count(refused) ? times.unitResult.at(refused).c_str() : "missing",
                times.unitSeconds.count(refused) ? times.unitSeconds.at(refused) : 0.0);
    ok = ok && times.unitResult.count(refused) && times.unitResult.at(refused) == "ok";
    for (int i = silentFrom; i < refusing; ++i) {
        const std::string unit = net + std::to_string(i);
        const double firmware = times.firmwareSeconds.count(unit) ? times.firmwareSeconds.at(unit) : 1e9;
        std::printf("  silent unit %s: %s, its firmware step %.1f s (goal: failed within %d s)\n", unit.c_str(),
                    times.unitResult.count(unit) ? times.unitResult.at(unit).c_str() : "missing", firmware,
                    stepTimeout);
        ok = ok && times.unitResult.count(unit) && times.unitResult.at(unit) == "failed" && firmware <= stepTimeout + 1;
    }
    if (!ok) std::fprintf(stderr, "the line with faults missed a goal; its JSON lines are in %s\n", faulty.json.c_str());
    return ok && ratio <= 1.10;
}

} // namespace

int main() {
    char pattern[] = "/tmp/tarnwell-line-bench-XXXXXX";
    if (::mkdtemp(pattern) == nullptr) return 1;
    const fs::path dir = pattern;
    // The runners' memory of their journals stays with the benchmark's files.
    ::setenv("XDG_DATA_HOME", pattern, 1);
    MakePackage(dir, kMemberSize);
    const std::string package = (dir / "package.tar").string();

    const std::string net = "127.88." + std::to_string(1 + ::getpid() % 250) + ".";
    const std::string first = net + "2", last = net + std::to_string(1 + kUnits);
    const int webPort = 18000 + ::getpid() % 1000;
    const std::string help = Capture("'" + Bin("tarnwell-devsim") + "' --help 2>&1");
    const bool paced = help.find("--link-rate") != std::string::npos && help.find("--flash-write") != std::string::npos;
    std::vector<std::string> devsim{Bin("tarnwell-devsim"), "--listen", first, "--count", std::to_string(kUnits),
                                    "--web-port", std::to_string(webPort), "--no-discovery",
                                    "--member-sizes", std::to_string(kMemberSize),
                                    "--log", (dir / "devsim.log").string()};
    if (paced) {
        devsim.insert(devsim.end(),
                      {"--link-rate", "100Mbit", "--flash-write", std::to_string(kFlashWriteMsPerMiB) + "ms"});
    } else {
        devsim.insert(devsim.end(), {"--fault", "slow:code=0xD8:delay=" + std::to_string(kFlashWriteMsPerMiB * 32), "--fault",
                                     "slow:code=0xC7:delay=" + std::to_string(kFlashWriteMsPerMiB * 16)});
    }
    std::printf("16 units, standard job (32 MiB package, language, MAC, time, serial); devices %s: %s\n",
                paced ? "paced" : "NOT link-paced",
                paced ? "100 Mbit/s link, flash write 200 ms per MiB"
                      : "this simulator has no --link-rate/--flash-write; 6400 ms answer delay per member stands in "
                        "for the flash write");

    const Figures one = RunJob(1, {devsim}, package, first, last, webPort, dir);
    const Figures all = RunJob(kUnits, {devsim}, package, first, last, webPort, dir);

    auto perHour = [](const Figures& f) { return kUnits * 3600.0 / f.seconds; };
    auto cpuPerUnit = [](const Figures& f, int atOnce) { return 100.0 * f.cpuSeconds / (f.seconds * atOnce); };
    std::printf("  --jobs 1   %7.1f s  %8.0f units/h  runner CPU %5.2f s = %5.2f %% of a core per unit  peak %6.1f MiB\n",
                one.seconds, perHour(one), one.cpuSeconds, cpuPerUnit(one, 1), one.peakMiB);
    std::printf("  --jobs 16  %7.1f s  %8.0f units/h  runner CPU %5.2f s = %5.2f %% of a core per unit  peak %6.1f MiB\n",
                all.seconds, perHour(all), all.cpuSeconds, cpuPerUnit(all, kUnits), all.peakMiB);
    std::printf("units per hour ratio --jobs 16 / --jobs 1: %.2f (goal >= 14); CPU per unit goal < 10 %%; "
                "peak memory goal <= 64 MiB\n",
                perHour(all) / perHour(one));
    bool ok = one.exitStatus == 0 && all.exitStatus == 0;

    const char* large = std::getenv("TARNWELL_BENCH_LARGE");
    if (ok && (large == nullptr || std::string(large) != "0")) {
        const fs::path largeDir = dir / "large";
        fs::create_directories(largeDir);
        MakePackage(largeDir, kLargeMemberSize);
        const std::string lastLarge = net + std::to_string(1 + kLargeUnits);
        std::vector<std::string> largeSim{Bin("tarnwell-devsim"), "--listen", first, "--count",
                                          std::to_string(kLargeUnits), "--web-port", std::to_string(webPort),
                                          "--no-discovery", "--member-sizes", std::to_string(kLargeMemberSize),
                                          "--log", (largeDir / "devsim.log").string()};
        const Figures wide = RunJob(kLargeUnits, {largeSim}, (largeDir / "package.tar").string(), first, lastLarge,
                                    webPort, largeDir);
        std::printf("  64 units x 64 MiB at once: %7.1f s  peak %6.1f MiB (goal <= 160 MiB)\n", wide.seconds,
                    wide.peakMiB);
        ok = wide.exitStatus == 0;
    }
    if (ok) ok = RunFaultyLine(devsim, all, package, first, last, net, webPort, dir);
    if (ok) fs::remove_all(dir);
    return ok ? 0 : 1;
}
