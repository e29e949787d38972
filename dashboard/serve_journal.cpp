#include "dashboard/serve_journal.h"

#include "dashboard/dashboard_server.h"
#include "dashboard/listen_address.h"
#include "journal/journal_error.h"

#include <csignal>
#include <fstream>
#include <pthread.h>
#include <thread>

namespace tarnwell::dashboard {
namespace {

// A token goes into a cookie and a header as it is.
bool IsUsableToken(const std::string& token) {
    return token.size() >= 8 && token.size() <= 256 &&
           token.find_first_not_of("ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789-._~+/=") ==
               std::string::npos;
}

// The first line of the file, without its line end.
bool ReadToken(const std::string& path, std::string& token) {
    std::ifstream file(path);
    if (!file || !std::getline(file, token)) return false;
    while (!token.empty() && (token.back() == '\r' || token.back() == ' ')) token.pop_back();
    return true;
}

} // namespace

int ServeJournal(const ServeOptions& options, std::ostream& out, std::ostream& err) {
    auto address = ParseListenAddress(options.listen);
    if (!address) {
        err << "--listen: not HOST:PORT (127.0.0.1:8088, [::1]:8088): " << options.listen << "\n";
        return 2;
    }
    std::string token = options.token;
    if (!options.tokenFile.empty() && !ReadToken(options.tokenFile, token)) {
        err << "--token-file: cannot read " << options.tokenFile << "\n";
        return 2;
    }
    if (!token.empty() && !IsUsableToken(token)) {
        err << "the token must be 8 to 256 letters, digits or -._~+/=\n";
        return 2;
    }
    if (token.empty() && !IsLoopbackHost(address->host)) {
        err << address->host << " can be reached from other machines: give --token (or --token-file), "
            << "which every request then has to carry\n";
        return 2;
    }
    ServerSettings settings;
    settings.host = address->host;
    settings.port = address->port;
    settings.token = token;
    if (!options.macPool.empty()) {
        auto pool = ParseMacPool(options.macPool);
        if (!pool) {
            err << "--mac-pool: not a MAC pool FIRST-LAST: " << options.macPool << "\n";
            return 2;
        }
        settings.pool = *pool;
    }

    JournalSource journal(options.journal);
    try {
        journal.Prepare(err);
    } catch (const JournalError& error) {
        err << "journal: " << error.what() << "\n";
        return 3;
    }

    // The signals are taken by one thread of ours; every thread started after
    // this (the server's) inherits the mask.
    sigset_t signals;
    sigemptyset(&signals);
    sigaddset(&signals, SIGINT);
    sigaddset(&signals, SIGTERM);
    sigset_t previous;
    pthread_sigmask(SIG_BLOCK, &signals, &previous);

    DashboardServer server(settings, journal);
    std::string problem;
    if (!server.Bind(problem)) {
        pthread_sigmask(SIG_SETMASK, &previous, nullptr);
        err << problem << "\n";
        return 1;
    }
    const std::string shown = address->host.find(':') != std::string::npos ? "[" + address->host + "]" : address->host;
    out << "serving " << journal.Where() << " at http://" << shown << ":" << server.Port() << "/"
        << (token.empty() ? "" : " (every request needs the token)") << "\n"
        << std::flush;

    std::thread waiter([&] {
        int received = 0;
        sigwait(&signals, &received);
        server.Stop();
    });
    server.Serve();
    // The server ended by itself: the waiter is woken the way a signal would.
    pthread_kill(waiter.native_handle(), SIGTERM);
    waiter.join();
    pthread_sigmask(SIG_SETMASK, &previous, nullptr);
    out << "stopped\n";
    return 0;
}

} // namespace tarnwell::dashboard
