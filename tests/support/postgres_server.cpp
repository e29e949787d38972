#include "support/postgres_server.h"

#include <libpq-fe.h>

#include <cstdlib>
#include <filesystem>
#include <pwd.h>
#include <unistd.h>

namespace tarnwell::test {
namespace {

std::string FindServerBinaries() {
    if (const char* bin = std::getenv("TARNWELL_PG_BIN")) return bin;
    std::string best;
    std::error_code error;
    for (const auto& entry : std::filesystem::directory_iterator("/usr/lib/postgresql", error)) {
        auto bin = entry.path() / "bin";
        if (std::filesystem::exists(bin / "pg_ctl") && bin.string() > best) best = bin.string();
    }
    return best;
}

std::string Socket(const TempDir& folder) { return folder.Path().string(); }

} // namespace

PostgresServer::PostgresServer(bool durable) : durable_(durable) {
    bin_ = FindServerBinaries();
    if (bin_.empty()) {
        problem_ = "no PostgreSQL server binaries (/usr/lib/postgresql/*/bin/pg_ctl); install postgresql-15";
        return;
    }
    if (::geteuid() == 0) {
        // The server refuses to run as root.
        passwd* user = ::getpwnam("postgres");
        if (user == nullptr) {
            problem_ = "running as root and there is no postgres user to run the server as";
            return;
        }
        if (::chown(folder_.Path().c_str(), user->pw_uid, user->pw_gid) != 0) {
            problem_ = "cannot hand the server's folder to the postgres user";
            return;
        }
        runAs_ = "runuser -u postgres -- ";
    }
    const std::string data = folder_.File("data");
    if (!Run(bin_ + "/initdb -D " + data + " -U tarnwell --auth=trust -E UTF8 --no-sync > " +
             folder_.File("initdb.log") + " 2>&1")) {
        problem_ = "initdb failed, see its log";
        return;
    }
    if (!Start()) problem_ = "the server did not start";
}

PostgresServer::~PostgresServer() { Stop(); }

bool PostgresServer::Run(const std::string& command) { return std::system((runAs_ + command).c_str()) == 0; }

bool PostgresServer::Start() {
    // No TCP at all: the socket in the folder is the only way in.
    running_ = Run(bin_ + "/pg_ctl -D " + folder_.File("data") + " -l " + folder_.File("server.log") +
                   " -w -t 60 -o \"-k " + Socket(folder_) + " -c listen_addresses=''" +
                   (durable_ ? "" : " -c fsync=off -c synchronous_commit=off") + "\" start > /dev/null 2>&1");
    return running_;
}

void PostgresServer::Stop() {
    if (!running_) return;
    Run(bin_ + "/pg_ctl -D " + folder_.File("data") + " -m fast -w stop > /dev/null 2>&1");
    running_ = false;
}

std::string PostgresServer::NewDatabase() {
    const std::string name = "journal" + std::to_string(++databases_);
    const std::string admin = "postgresql:///postgres?host=" + Socket(folder_) + "&user=tarnwell";
    PGconn* conn = PQconnectdb(admin.c_str());
    PQclear(PQexec(conn, ("CREATE DATABASE " + name).c_str()));
    PQfinish(conn);
    return "postgresql:///" + name + "?host=" + Socket(folder_) + "&user=tarnwell";
}

} // namespace tarnwell::test
