#pragma once
// The web view served in-process on a free loopback port, and asked over real
// HTTP connections, as a browser or a line's own tool asks it.
#include "dashboard/dashboard_server.h"
#include "dashboard/journal_source.h"
#include "journal/journal.h"

#include <gtest/gtest.h>
#include <httplib.h>
#include <nlohmann/json.hpp>

#include <chrono>
#include <iostream>
#include <memory>
#include <thread>

namespace tarnwell::test {

// The journal at `where`, made on purpose when nothing is there yet.
inline std::unique_ptr<Journal> OpenOrMakeJournal(const std::string& where) {
    try {
        return OpenJournal(where);
    } catch (const JournalError& error) {
        if (error.Fault() != JournalFault::NotFound && error.Fault() != JournalFault::Empty) throw;
        return CreateJournal(where);
    }
}

class RunningDashboard {
public:
    explicit RunningDashboard(const std::string& journal, dashboard::ServerSettings settings = {})
        : source_(journal) {
        source_.Prepare(std::cerr);
        settings.host = settings.host.empty() ? "127.0.0.1" : settings.host;
        settings.port = 0;
        server_ = std::make_unique<dashboard::DashboardServer>(settings, source_);
        std::string problem;
        bound_ = server_->Bind(problem);
        EXPECT_TRUE(bound_) << problem;
        if (!bound_) return;
        thread_ = std::thread([this] { server_->Serve(); });
        const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(5);
        while (!server_->Running() && std::chrono::steady_clock::now() < deadline)
            std::this_thread::sleep_for(std::chrono::milliseconds(2));
    }
    ~RunningDashboard() {
        if (!bound_) return;
        server_->Stop();
        thread_.join();
    }
    RunningDashboard(const RunningDashboard&) = delete;
    RunningDashboard& operator=(const RunningDashboard&) = delete;

    int Port() const { return server_->Port(); }
    std::string Url(const std::string& path = "/") const {
        return "http://127.0.0.1:" + std::to_string(Port()) + path;
    }
    httplib::Client Client() const {
        httplib::Client client("127.0.0.1", Port());
        client.set_connection_timeout(5);
        client.set_read_timeout(10);
        return client;
    }
    // GET `path`; the body as JSON (null when it is none), the status beside.
    nlohmann::json Json(const std::string& path, int* status = nullptr, const httplib::Headers& headers = {}) const {
        auto client = Client();
        auto result = client.Get(path, headers);
        if (!result) {
            ADD_FAILURE() << path << ": no answer (" << httplib::to_string(result.error()) << ")";
            if (status) *status = -1;
            return nullptr;
        }
        if (status) *status = result->status;
        else EXPECT_EQ(result->status, 200) << path << ": " << result->body;
        auto body = nlohmann::json::parse(result->body, nullptr, false);
        return body.is_discarded() ? nlohmann::json(nullptr) : body;
    }

private:
    dashboard::JournalSource source_;
    std::unique_ptr<dashboard::DashboardServer> server_;
    std::thread thread_;
    bool bound_ = false;
};

} // namespace tarnwell::test
