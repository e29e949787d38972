#pragma once
// The simulated device's web CGI: an HTTP listener on a loopback address that
// records every raw request and answers as its script says, including the
// broken answers a real device on a factory line can give.
#include <condition_variable>
#include <cstddef>
#include <cstdint>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "platform/socket_waker.h"
#include "platform/tcp_socket.h"
#include "sim/loopback_listener.h"

namespace tarnwell::sim {

enum class WebCgiBehaviour {
    Answer,       // read the request, send `reply`, close
    Silent,       // read the request, never answer, keep the connection open
    CloseAtOnce,  // accept and close without reading
    Reset,        // read the request, then close with a reset
};

// Where an answer carries the lower-case "ok" the tool looks for.
enum class OkPlace { Nowhere, Header, Body };

struct WebCgiScript {
    WebCgiBehaviour behaviour = WebCgiBehaviour::Answer;
    std::string reply;
    size_t segments = 1; // writes the reply is split over, with a pause between them
    Milliseconds segmentPause{50};

    // "HTTP/1.1 <status> <reason>" with "ok" where asked, in `segments` writes.
    static WebCgiScript Status(int status, OkPlace ok, size_t segments = 1);
    static WebCgiScript Ok();               // 200 with body "ok"
    static WebCgiScript OkInHeaderOnly();   // "ok" only inside a header value
    static WebCgiScript UpperCaseOkOnly();  // "HTTP/1.1 200 OK", no lower-case "ok"
    // 4096 bytes whose only "ok" straddles byte 2048: "o" is the last byte
    // that fits a 2048-byte buffer, "k" the first that does not.
    static WebCgiScript Oversized();
    static WebCgiScript Silent();
    static WebCgiScript CloseAtOnce();
    static WebCgiScript Reset();
};

class WebCgiServer {
public:
    WebCgiServer() = default;
    ~WebCgiServer();
    WebCgiServer(const WebCgiServer&) = delete;
    WebCgiServer& operator=(const WebCgiServer&) = delete;

    // Listens on a 127.0.0.0/8 address; port 0 lets the system choose.
    // False for any other address or when the port cannot be bound.
    bool Start(const std::string& address, uint16_t port = 0);
    // Closes the listener and every held connection.
    void Stop();
    uint16_t Port() const { return port_; }

    // Applies to connections accepted from now on.
    void SetScript(WebCgiScript script);

    // The raw bytes of each request read so far, in arrival order.
    std::vector<std::string> Requests() const;
    size_t ConnectionCount() const;
    // Waits until `count` connections have been handled (request recorded and
    // the scripted answer given); false on time-out.
    bool WaitForConnections(size_t count, Milliseconds limit) const;

private:
    void Serve();
    void Handle(TcpSocket connection);

    LoopbackListener listener_;
    SocketWaker waker_;
    uint16_t port_ = 0;
    std::thread thread_;

    mutable std::mutex mutex_;
    mutable std::condition_variable handled_;
    WebCgiScript script_ = WebCgiScript::Ok();
    std::vector<std::string> requests_;
    size_t connections_ = 0;
    std::vector<TcpSocket> held_;  // silent connections, owned by the serving thread
};

} // namespace tarnwell::sim
