#pragma once
// Journal tests run against both back ends: a SQLite file in a temporary
// folder, and a database on a PostgreSQL server the test starts itself.
#include "journal/journal.h"
#include "support/environment_override.h"
#include "support/postgres_server.h"
#include "support/temp_dir.h"

#include <gtest/gtest.h>

#include <fcntl.h>
#include <sys/wait.h>
#include <spawn.h>

namespace tarnwell::test {

enum class Backend { Sqlite, Postgres };

inline PostgresServer& SharedPostgres() {
    static PostgresServer server;
    return server;
}

class JournalBackendTest : public ::testing::TestWithParam<Backend> {
protected:
    void SetUp() override {
        if (GetParam() == Backend::Sqlite) {
            location = folder.File("journal.sqlite3");
        } else {
            PostgresServer& server = SharedPostgres();
            if (!server.Running()) {
                if (server.Problem().rfind("no PostgreSQL server binaries", 0) == 0) GTEST_SKIP() << server.Problem();
                FAIL() << server.Problem();
            }
            location = server.NewDatabase();
        }
        CreateJournal(location);
    }
    std::unique_ptr<Journal> Open() { return OpenJournal(location); }

    TempDir folder;
    // The station's memory of its journals stays in the test's folder, for
    // the programs it starts too.
    EnvironmentOverride dataHome{"XDG_DATA_HOME", folder.Path().string()};
    std::string location;
};

inline std::string BackendName(const ::testing::TestParamInfo<Backend>& info) {
    return info.param == Backend::Sqlite ? "Sqlite" : "Postgres";
}

// Starts a program of the build; its process id. `environment` entries
// ("NAME=value") come on top of this process's own; `output`, when given,
// takes the program's standard output and error.
inline pid_t Spawn(const std::string& program, const std::vector<std::string>& arguments,
                   const std::vector<std::string>& environment = {}, const std::string& output = {}) {
    std::vector<std::string> all{program};
    all.insert(all.end(), arguments.begin(), arguments.end());
    std::vector<char*> argv;
    for (auto& argument : all) argv.push_back(argument.data());
    argv.push_back(nullptr);
    std::vector<std::string> variables(environment);
    std::vector<char*> envp;
    for (auto& variable : variables) envp.push_back(variable.data());
    for (char** inherited = environ; *inherited != nullptr; ++inherited) envp.push_back(*inherited);
    envp.push_back(nullptr);
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    if (!output.empty()) {
        posix_spawn_file_actions_addopen(&actions, 1, output.c_str(), O_WRONLY | O_CREAT | O_APPEND, 0600);
        posix_spawn_file_actions_adddup2(&actions, 1, 2);
    }
    pid_t pid = -1;
    const int spawned = posix_spawn(&pid, program.c_str(), &actions, nullptr, argv.data(), envp.data());
    posix_spawn_file_actions_destroy(&actions);
    return spawned == 0 ? pid : -1;
}

inline int WaitFor(pid_t pid) {
    int status = 0;
    if (waitpid(pid, &status, 0) != pid) return -1;
    return WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
}

inline std::string BuiltProgram(const std::string& name) { return std::string(TARNWELL_BINARY_DIR) + "/bin/" + name; }

} // namespace tarnwell::test
