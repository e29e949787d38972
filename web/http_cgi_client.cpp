#include "web/http_cgi_client.h"

#include <chrono>
#include <cstdio>
#include <cstring>

#include "platform/debug_output.h"
#include "web/http_reply_scan.h"

namespace tarnwell {

TcpSocket ConnectWithTimeout(const std::string& address, int port, const HttpLimits& limits) {
    TcpSocket socket = TcpSocket::Create();
    socket.CountSentInto(limits.sentCounter);
    // Narrowing an out-of-range number would reach some other port than the operator typed.
    bool connected = socket.IsValid() && port > 0 && port <= 65535 &&
                     socket.Connect(address, static_cast<uint16_t>(port), limits.connect);
    if (connected) return socket;
    socket.Close();
    std::fputs("Connect Fail!\n", stdout);
    std::fflush(stdout);
    return TcpSocket();
}

int SendAllWithTimeout(TcpSocket& socket, const char* data, size_t length, const HttpLimits& limits) {
    while (length > 0) {
        if (!socket.WaitWritable(limits.sendWait)) return -1;
        ssize_t sent = socket.SendSome(data, length);
        if (sent < 0) {
            if (LastSocketFailure() != SocketFailure::Other) continue;
            return -1;
        }
        if (sent == 0) return -1;
        data += sent;
        length -= static_cast<size_t>(sent);
    }
    return 0;
}

std::string BuildHttpGetRequest(const std::string& host, const std::string& path) {
    std::string request;
    request += "GET " + path + " HTTP/1.1\r\n";
    request += "Accept: */*\r\n";
    request += "Accept-Language: zh-cn\r\n";
    request += "Accept-Encoding: gzip, deflate\r\n";
    request += "User-Agent: Mozilla/4.0 (compatible; MSIE 6.0; Windows NT 5.1; SV1; .NET CLR 2.0.50727)\r\n";
    request += "Host: " + host + "\r\n";
    request += "Connection: Keep-Alive\r\n";
    request += "\r\n";
    return request;
}

int HttpGet(TcpSocket& socket, const std::string& host, const std::string& path, char* buffer,
            size_t length, const HttpLimits& limits) {
    if (buffer == nullptr || length == 0) return -1;
    std::memset(buffer, 0, length);
    const std::string request = BuildHttpGetRequest(host, path);
    if (request.size() + 1 > length) {
        OutputDebugText("Send Error!\n");
        return -1;
    }
    std::memcpy(buffer, request.data(), request.size());
    if (SendAllWithTimeout(socket, buffer, request.size(), limits) != 0) {
        OutputDebugText("Send Error!\n");
        return -1;
    }

    std::memset(buffer, 0, length);
    // The reply may come in several segments: read until the device closes,
    // the buffer is full, the reply is complete or the wait has passed.
    const auto deadline = std::chrono::steady_clock::now() + limits.replyWait;
    size_t received = 0;
    while (received < length && !ReplyIsComplete(buffer, received)) {
        auto left = std::chrono::duration_cast<Milliseconds>(deadline - std::chrono::steady_clock::now());
        if (left.count() < 0 || !socket.WaitReadable(left)) {
            if (received == 0) {
                OutputDebugText("select Error!\n");
                return -1;
            }
            break;
        }
        ssize_t got = socket.ReceiveSome(buffer + received, length - received);
        if (got <= 0) break;
        received += static_cast<size_t>(got);
    }
    if (received == 0) {
        OutputDebugText("Recv Error!\n");
        return -1;
    }
    return ReplySetsSerial(buffer, received) ? 0 : -1;
}

} // namespace tarnwell
