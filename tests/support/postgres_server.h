#pragma once
// A real PostgreSQL server of the test's own: a fresh cluster in a temporary
// folder, listening only on a Unix socket in that folder, stopped and removed
// with the object. As root, the server runs as the unprivileged "postgres" user.
#include "support/temp_dir.h"

#include <string>

namespace tarnwell::test {

class PostgresServer {
public:
    // `durable`: flush every commit to disk, as a production server does;
    // tests that do not pull the plug run faster without.
    explicit PostgresServer(bool durable = false);
    ~PostgresServer();
    PostgresServer(const PostgresServer&) = delete;
    PostgresServer& operator=(const PostgresServer&) = delete;

    // False, with the reason, when no server binaries are installed or the
    // server would not start.
    bool Running() const { return running_; }
    const std::string& Problem() const { return problem_; }

    // A connection string for a database created afresh on each call.
    std::string NewDatabase();
    void Stop();
    bool Start();

private:
    bool Run(const std::string& command);
    TempDir folder_;
    std::string bin_;
    std::string runAs_; // "runuser -u postgres -- " when root
    bool running_ = false;
    std::string problem_;
    int databases_ = 0;
    bool durable_;
};

} // namespace tarnwell::test
