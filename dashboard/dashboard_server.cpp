#include "dashboard/dashboard_server.h"

#include "dashboard/dashboard_figures.h"
#include "dashboard/listen_address.h"
#include "dashboard/page_assembly.h"
#include "embedded_page.h"
#include "journal/journal_error.h"

#include <httplib.h>

#include <csignal>
#include <functional>
#include <iostream>
#include <mutex>

namespace tarnwell::dashboard {
namespace {

using nlohmann::json;

constexpr char kJsonType[] = "application/json; charset=utf-8";
constexpr char kTokenCookie[] = "tarnwell_token";
constexpr int kDefaultRecent = 20;
constexpr int kMostRecent = 200;
constexpr size_t kLongestKey = 64;

struct Asset {
    const char* path;
    const std::string_view* content;
    const char* type;
};

// The page itself is assembled once (page_assembly.h); its parts are served
// on their own too, for a look at them.
const Asset kAssets[] = {
    {"/app.js", &kResource_app_js, "text/javascript; charset=utf-8"},
    {"/app.css", &kResource_app_css, "text/css; charset=utf-8"},
    {"/icon.svg", &kResource_icon_svg, "image/svg+xml"},
};

// Compares without leaving the length of a matching prefix in the timing.
bool SameSecret(const std::string& given, const std::string& secret) {
    unsigned char difference = given.size() == secret.size() ? 0 : 1;
    for (size_t i = 0; i < given.size(); ++i)
        difference |= static_cast<unsigned char>(given[i] ^ secret[i % (secret.empty() ? 1 : secret.size())]);
    return difference == 0 && !secret.empty();
}

std::string CookieValue(const std::string& header, const std::string& name) {
    size_t start = 0;
    while (start < header.size()) {
        size_t end = header.find(';', start);
        if (end == std::string::npos) end = header.size();
        std::string pair = header.substr(start, end - start);
        const size_t first = pair.find_first_not_of(' ');
        if (first != std::string::npos) pair = pair.substr(first);
        if (pair.rfind(name + "=", 0) == 0) return pair.substr(name.size() + 1);
        start = end + 1;
    }
    return {};
}

void SendJson(httplib::Response& response, const json& body, int status = 200) {
    response.status = status;
    response.set_header("Cache-Control", "no-store");
    response.set_header("Content-Security-Policy", kApiContentSecurityPolicy);
    response.set_content(body.dump(-1, ' ', false, json::error_handler_t::replace), kJsonType);
}

// Errors carry both texts, so the page shows them in its own language.
void SendError(httplib::Response& response, int status, const std::string& english, const std::string& chinese,
               const std::string& detail = {}) {
    json body = {{"error", {{"english", english}, {"chinese", chinese}}}, {"status", status}};
    if (!detail.empty()) body["detail"] = detail;
    SendJson(response, body, status);
}

void SendStatusError(httplib::Response& response) {
    switch (response.status) {
    case 400: SendError(response, 400, "Bad request", "请求无效"); break;
    case 401: SendError(response, 401, "This page needs the line's token", "此页面需要产线令牌"); break;
    case 403: SendError(response, 403, "Forbidden", "禁止访问"); break;
    case 404: SendError(response, 404, "Not found", "未找到"); break;
    case 405: SendError(response, 405, "Only GET and HEAD are served", "只支持 GET 和 HEAD 请求"); break;
    case 413: SendError(response, 413, "Request too large", "请求过大"); break;
    case 414: SendError(response, 414, "Request address too long", "请求地址过长"); break;
    default: SendError(response, response.status, "Request failed", "请求失败"); break;
    }
}

} // namespace

struct DashboardServer::Impl {
    ServerSettings settings;
    JournalSource& journal;
    const AssembledPage page = AssemblePage();
    httplib::Server server;
    int port = 0;
    std::mutex reportMutex;
    bool journalFailing = false;

    Impl(ServerSettings given, JournalSource& source) : settings(std::move(given)), journal(source) {}

    // Says once when the journal fails and once when it is back, however
    // often the page asks meanwhile.
    void ReportJournal(bool failing, const std::string& detail) {
        std::lock_guard lock(reportMutex);
        if (failing == journalFailing) return;
        journalFailing = failing;
        if (failing)
            std::cerr << "tarnwell-journal serve: the journal cannot be read: " << detail << "\n";
        else
            std::cerr << "tarnwell-journal serve: the journal can be read again\n";
    }

    // Runs one read for a request; a journal fault is the request's 503.
    void Answer(httplib::Response& response, const std::function<json(JournalView&)>& read) {
        try {
            json body = journal.Run(read);
            ReportJournal(false, {});
            SendJson(response, body);
        } catch (const JournalError& error) {
            ReportJournal(true, error.what());
            response.set_header("Retry-After", "5");
            SendError(response, 503, "The journal cannot be read now", "制造日志暂时无法读取", error.what());
        }
    }

    static bool Param(const httplib::Request& request, const char* name, std::string& value) {
        if (!request.has_param(name)) return false;
        value = request.get_param_value(name);
        return true;
    }

    // The window of a request; false (after answering 400) for a bad `since`.
    static bool WindowOfRequest(const httplib::Request& request, httplib::Response& response, Window& window) {
        std::string since;
        const bool given = Param(request, "since", since);
        if (given && !IsJournalTime(since)) {
            SendError(response, 400, "since: not a time such as 2026-12-09T08:00", "since 不是时间(如 2026-12-09T08:00)");
            return false;
        }
        window = WindowOf(std::chrono::system_clock::now(),
                          given ? std::optional<std::string>(since) : std::nullopt);
        return true;
    }

    static bool LimitOfRequest(const httplib::Request& request, httplib::Response& response, int& limit) {
        std::string text;
        limit = kDefaultRecent;
        if (!Param(request, "limit", text)) return true;
        const bool digits = !text.empty() && text.size() <= 3 &&
                            text.find_first_not_of("0123456789") == std::string::npos;
        if (digits) limit = std::stoi(text);
        if (!digits || limit < 1 || limit > kMostRecent) {
            SendError(response, 400, "limit: a number from 1 to 200", "limit 必须是 1 到 200 之间的数");
            return false;
        }
        return true;
    }

    // cpp-httplib compresses text with Brotli at its highest quality when a
    // browser accepts it, which costs some 30 ms a file on a line PC: gzip
    // (a millisecond) is offered instead. The request is the server's own
    // object, handed here as const only by the handler's signature.
    static void OfferGzipOnly(const httplib::Request& request) {
        auto& headers = const_cast<httplib::Request&>(request).headers;
        auto accepted = headers.find("Accept-Encoding");
        if (accepted == headers.end()) return;
        if (accepted->second.find("gzip") != std::string::npos)
            accepted->second = "gzip";
        else
            headers.erase(accepted);
    }

    httplib::Server::HandlerResponse Admit(const httplib::Request& request, httplib::Response& response) {
        using Handled = httplib::Server::HandlerResponse;
        OfferGzipOnly(request);
        if (request.method != "GET" && request.method != "HEAD") {
            response.set_header("Allow", "GET, HEAD");
            response.status = 405;
            return Handled::Handled;
        }
        if (settings.token.empty()) {
            // Without a token only this machine may ask, and a page of some
            // other site that had its name resolve to 127.0.0.1 is no
            // request of this machine's.
            const std::string host = HostOfHeader(request.get_header_value("Host"));
            if (!host.empty() && !IsLoopbackHost(host) && host != settings.host) {
                response.status = 403;
                return Handled::Handled;
            }
            return Handled::Unhandled;
        }
        std::string given;
        const std::string authorization = request.get_header_value("Authorization");
        if (authorization.rfind("Bearer ", 0) == 0) given = authorization.substr(7);
        if (given.empty()) given = CookieValue(request.get_header_value("Cookie"), kTokenCookie);
        const bool inAddress = request.has_param("token");
        if (inAddress) given = request.get_param_value("token");
        if (!SameSecret(given, settings.token)) {
            response.set_header("WWW-Authenticate", "Bearer realm=\"tarnwell\"");
            response.status = 401;
            return Handled::Handled;
        }
        if (inAddress && (request.path == "/" || request.path == "/index.html")) {
            // The page keeps the token as a cookie and drops it from the
            // address bar, so it is not in the browser's history or a screenshot.
            response.set_header("Set-Cookie", std::string(kTokenCookie) + "=" + settings.token +
                                                  "; Path=/; HttpOnly; SameSite=Strict");
            response.set_redirect("/", 303);
            return Handled::Handled;
        }
        return Handled::Unhandled;
    }

    void Routes() {
        for (const char* path : {"/", "/index.html"}) {
            server.Get(path, [this](const httplib::Request&, httplib::Response& response) {
                response.set_header("Cache-Control", "no-cache");
                response.set_header("Content-Security-Policy", page.contentSecurityPolicy);
                response.set_content(page.html, "text/html; charset=utf-8");
            });
        }
        for (const Asset& asset : kAssets) {
            server.Get(asset.path, [&asset](const httplib::Request&, httplib::Response& response) {
                response.set_header("Cache-Control", "no-cache");
                response.set_header("Content-Security-Policy", kApiContentSecurityPolicy);
                response.set_content(asset.content->data(), asset.content->size(), asset.type);
            });
        }
        server.Get("/api/health", [this](const httplib::Request&, httplib::Response& response) {
            Answer(response, [this](JournalView& view) {
                return json{{"status", "ok"}, {"journal", journal.Where()}, {"schema_version", view.SchemaVersion()}};
            });
        });
        server.Get("/api/dashboard", [this](const httplib::Request& request, httplib::Response& response) {
            Window window;
            int limit = 0;
            if (!WindowOfRequest(request, response, window) || !LimitOfRequest(request, response, limit)) return;
            Answer(response, [&](JournalView& view) { return DashboardJson(view, settings.pool, window, limit); });
        });
        server.Get("/api/units", [this](const httplib::Request& request, httplib::Response& response) {
            std::string key;
            if (!Param(request, "key", key) || key.empty() || key.size() > kLongestKey ||
                key.find_first_of(std::string("\0\r\n\t", 4)) != std::string::npos) {
                SendError(response, 400, "key: a MAC address or a serial number (up to 64 characters)",
                          "key 必须是 MAC 地址或序列号(最多 64 个字符)");
                return;
            }
            int limit = 0;
            if (!LimitOfRequest(request, response, limit)) return;
            if (!request.has_param("limit")) limit = kMostRecent;
            Answer(response, [&](JournalView& view) { return HistoryJson(view, key, limit); });
        });
        using WindowFigures = json (*)(JournalView&, const Window&);
        const std::pair<const char*, WindowFigures> windowed[] = {
            {"/api/summary", UnitsJson}, {"/api/hours", HoursJson}, {"/api/failures", FailureKindsJson}};
        for (const auto& [path, figures] : windowed) {
            server.Get(path, [this, figures = figures](const httplib::Request& request, httplib::Response& response) {
                Window window;
                if (!WindowOfRequest(request, response, window)) return;
                Answer(response, [&](JournalView& view) { return figures(view, window); });
            });
        }
        server.Get("/api/pool", [this](const httplib::Request& request, httplib::Response& response) {
            Window window;
            if (!WindowOfRequest(request, response, window)) return;
            Answer(response, [&](JournalView& view) { return PoolJson(view, settings.pool, window); });
        });
        server.Get("/api/recent-failures", [this](const httplib::Request& request, httplib::Response& response) {
            int limit = 0;
            if (!LimitOfRequest(request, response, limit)) return;
            Answer(response, [&](JournalView& view) { return RecentFailuresJson(view, limit); });
        });
    }

    void Configure() {
        const int threads = settings.threads < 1 ? 1 : settings.threads;
        server.new_task_queue = [threads] { return new httplib::ThreadPool(static_cast<size_t>(threads)); };
        // A connection holds one of the few threads while it lives: idle
        // browsers let go soon, and a request must arrive whole in time.
        // Headers and body go out as they are written: Nagle holding the
        // body back for the client's delayed ACK costs a browser 40 ms a file.
        server.set_tcp_nodelay(true);
        server.set_keep_alive_timeout(2);
        server.set_keep_alive_max_count(100);
        server.set_read_timeout(5);
        server.set_write_timeout(5);
        // Nothing is ever posted.
        server.set_payload_max_length(1024);
        server.set_default_headers({
            {"X-Content-Type-Options", "nosniff"},
            {"Referrer-Policy", "no-referrer"},
            {"X-Frame-Options", "DENY"},
        });
        server.set_pre_routing_handler(
            [this](const httplib::Request& request, httplib::Response& response) { return Admit(request, response); });
        server.set_error_handler(httplib::Server::HandlerWithResponse(
            [](const httplib::Request&, httplib::Response& response) {
                if (!response.body.empty()) return httplib::Server::HandlerResponse::Unhandled;
                SendStatusError(response);
                return httplib::Server::HandlerResponse::Handled;
            }));
        server.set_exception_handler([](const httplib::Request&, httplib::Response& response, std::exception_ptr error) {
            std::string detail;
            try {
                std::rethrow_exception(error);
            } catch (const std::exception& thrown) {
                detail = thrown.what();
            } catch (...) {
                detail = "unknown error";
            }
            SendError(response, 500, "Internal error", "内部错误", detail);
        });
        // Whatever answers without SendJson (a redirect, an error of the
        // server itself) allows nothing either.
        server.set_post_routing_handler([](const httplib::Request&, httplib::Response& response) {
            if (!response.has_header("Content-Security-Policy"))
                response.set_header("Content-Security-Policy", kApiContentSecurityPolicy);
        });
        Routes();
    }
};

DashboardServer::DashboardServer(ServerSettings settings, JournalSource& journal)
    : impl_(std::make_unique<Impl>(std::move(settings), journal)) {
    impl_->Configure();
}

DashboardServer::~DashboardServer() = default;

bool DashboardServer::Bind(std::string& error) {
    const std::string& host = impl_->settings.host;
    if (impl_->settings.port == 0) {
        impl_->port = impl_->server.bind_to_any_port(host);
        if (impl_->port > 0) return true;
    } else if (impl_->server.bind_to_port(host, impl_->settings.port)) {
        impl_->port = impl_->settings.port;
        return true;
    }
    error = "cannot listen on " + host + ":" + std::to_string(impl_->settings.port) +
            " (the address is in use or not this machine's)";
    return false;
}

int DashboardServer::Port() const { return impl_->port; }

void DashboardServer::Serve() {
    std::signal(SIGPIPE, SIG_IGN);
    impl_->server.listen_after_bind();
}

bool DashboardServer::Running() const { return impl_->server.is_running(); }

void DashboardServer::Stop() { impl_->server.stop(); }

} // namespace tarnwell::dashboard
