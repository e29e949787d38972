#pragma once
// The line's web view: an HTTP server over the journal that only reads. It
// serves the page (carried in the program) and the JSON API beneath it, and
// no endpoint writes. On a loopback address it answers only requests that
// name this machine as their host; on any other it needs a token, and then
// every request (page and API alike) must carry it: an "Authorization:
// Bearer" header, the cookie the page is given, or "?token=" once.
//
// Whatever goes wrong with one request (a journal that went away, a bad
// parameter, an address too long) is that request's HTTP error; the server
// goes on serving.
#include "dashboard/journal_source.h"

#include <memory>
#include <string>

namespace tarnwell::dashboard {

struct ServerSettings {
    std::string host = "127.0.0.1";
    int port = 8088;  // 0: any free port (Port() tells which)
    std::string token; // required unless `host` is loopback
    MacPool pool;      // unset bounds: the figures say so
    // Connections served at once: a browser tab opens up to six while the
    // page loads and keeps one while it polls.
    int threads = 16;
};

class DashboardServer {
public:
    DashboardServer(ServerSettings settings, JournalSource& journal);
    ~DashboardServer();
    DashboardServer(const DashboardServer&) = delete;
    DashboardServer& operator=(const DashboardServer&) = delete;

    // False, with the reason, when the address cannot be had.
    bool Bind(std::string& error);
    int Port() const;
    // Serves until Stop(), from any thread. Ignores SIGPIPE for the process:
    // a browser that goes away mid-answer must not end the server.
    void Serve();
    // True from when Serve() has begun taking connections until Stop().
    bool Running() const;
    void Stop();

private:
    struct Impl;
    std::unique_ptr<Impl> impl_;
};

} // namespace tarnwell::dashboard
