#include "sim/web_cgi_server.h"

#include <algorithm>
#include <chrono>

#include "platform/socket_wait.h"

namespace tarnwell::sim {

namespace {

// A peer that never finishes its header must not stall the listener for long.
constexpr Milliseconds kRequestReadLimit{2000};
constexpr size_t kRequestSizeLimit = 64 * 1024;

std::string ReadRequest(TcpSocket& connection) {
    std::string request;
    const auto deadline = std::chrono::steady_clock::now() + kRequestReadLimit;
    char chunk[4096];
    while (request.find("\r\n\r\n") == std::string::npos && request.size() < kRequestSizeLimit) {
        auto left = std::chrono::duration_cast<Milliseconds>(deadline - std::chrono::steady_clock::now());
        if (left.count() <= 0 || !connection.WaitReadable(left)) break;
        ssize_t got = connection.ReceiveSome(chunk, sizeof chunk);
        if (got <= 0) break;
        request.append(chunk, static_cast<size_t>(got));
    }
    return request;
}

} // namespace

WebCgiScript WebCgiScript::Ok() {
    return {WebCgiBehaviour::Answer, "HTTP/1.1 200 OK\r\nContent-Type: text/plain\r\nContent-Length: 2\r\n\r\nok"};
}

WebCgiScript WebCgiScript::OkInHeaderOnly() {
    return {WebCgiBehaviour::Answer, "HTTP/1.1 200 OK\r\nX-Result: ok\r\nContent-Length: 4\r\n\r\nDONE"};
}

WebCgiScript WebCgiScript::UpperCaseOkOnly() {
    return {WebCgiBehaviour::Answer, "HTTP/1.1 200 OK\r\nContent-Type: text/plain\r\nContent-Length: 4\r\n\r\nDONE"};
}

WebCgiScript WebCgiScript::Oversized() {
    std::string reply = "HTTP/1.1 200 OK\r\nX-Pad: ";
    reply.resize(2047, 'x');
    reply += "ok";
    reply.resize(4096 - 4, 'x');
    reply += "\r\n\r\n";
    return {WebCgiBehaviour::Answer, reply};
}

WebCgiScript WebCgiScript::Status(int status, OkPlace ok, size_t segments) {
    const char* reason = status == 200 ? "OK" : status == 404 ? "Not Found" : status == 500 ? "Internal Server Error" : "Status";
    std::string body = ok == OkPlace::Body ? "result=ok" : "result=DONE";
    std::string reply = "HTTP/1.1 " + std::to_string(status) + " " + reason + "\r\nContent-Type: text/plain\r\n";
    if (ok == OkPlace::Header) reply += "X-Result: ok\r\n";
    reply += "Content-Length: " + std::to_string(body.size()) + "\r\n\r\n" + body;
    WebCgiScript script{WebCgiBehaviour::Answer, reply};
    script.segments = segments;
    return script;
}

WebCgiScript WebCgiScript::Silent() { return {WebCgiBehaviour::Silent, {}}; }
WebCgiScript WebCgiScript::CloseAtOnce() { return {WebCgiBehaviour::CloseAtOnce, {}}; }
WebCgiScript WebCgiScript::Reset() { return {WebCgiBehaviour::Reset, {}}; }

WebCgiServer::~WebCgiServer() { Stop(); }

bool WebCgiServer::Start(const std::string& address, uint16_t port) {
    if (listener_.IsOpen()) return false;
    if (!listener_.Listen(address, port) || !waker_.Open()) {
        Stop();
        return false;
    }
    port_ = listener_.Port();
    thread_ = std::thread([this] { Serve(); });
    return true;
}

void WebCgiServer::Stop() {
    if (thread_.joinable()) {
        waker_.Wake();
        thread_.join();
    }
    held_.clear();
    listener_.Close();
    waker_.Close();
    port_ = 0;
}

void WebCgiServer::SetScript(WebCgiScript script) {
    std::lock_guard lock(mutex_);
    script_ = std::move(script);
}

std::vector<std::string> WebCgiServer::Requests() const {
    std::lock_guard lock(mutex_);
    return requests_;
}

size_t WebCgiServer::ConnectionCount() const {
    std::lock_guard lock(mutex_);
    return connections_;
}

bool WebCgiServer::WaitForConnections(size_t count, Milliseconds limit) const {
    std::unique_lock lock(mutex_);
    return handled_.wait_for(lock, limit, [&] { return connections_ >= count; });
}

void WebCgiServer::Serve() {
    for (;;) {
        SocketWait entries[2] = {{listener_.Descriptor()}, {waker_.Handle()}};
        if (WaitForSockets(entries, 2, Milliseconds(-1)) < 0) continue;
        if (entries[1].ready) return;
        if (entries[0].ready) {
            TcpSocket connection = listener_.Accept();
            if (connection.IsValid()) Handle(std::move(connection));
        }
    }
}

void WebCgiServer::Handle(TcpSocket connection) {
    WebCgiScript script;
    {
        std::lock_guard lock(mutex_);
        script = script_;
    }
    if (script.behaviour != WebCgiBehaviour::CloseAtOnce) {
        std::string request = ReadRequest(connection);
        std::lock_guard lock(mutex_);
        requests_.push_back(std::move(request));
    }
    switch (script.behaviour) {
    case WebCgiBehaviour::Answer: {
        const size_t segments = std::clamp<size_t>(script.segments, 1, std::max<size_t>(1, script.reply.size()));
        for (size_t i = 0, at = 0; i < segments; ++i) {
            size_t end = script.reply.size() * (i + 1) / segments;
            if (i > 0) std::this_thread::sleep_for(script.segmentPause);
            if (!connection.SendAll(script.reply.data() + at, end - at)) break;
            at = end;
        }
        connection.Close();
        break;
    }
    case WebCgiBehaviour::Silent:
        held_.push_back(std::move(connection));
        break;
    case WebCgiBehaviour::CloseAtOnce:
        connection.Close();
        break;
    case WebCgiBehaviour::Reset:
        connection.Abort();
        break;
    }
    {
        std::lock_guard lock(mutex_);
        ++connections_;
    }
    handled_.notify_all();
}

} // namespace tarnwell::sim
