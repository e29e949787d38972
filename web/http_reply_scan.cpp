#include "web/http_reply_scan.h"

#include <cctype>
#include <string_view>

namespace tarnwell {

namespace {

bool StartsWithNoCase(std::string_view text, std::string_view prefix) {
    if (text.size() < prefix.size()) return false;
    for (size_t i = 0; i < prefix.size(); ++i)
        if (std::tolower(static_cast<unsigned char>(text[i])) != prefix[i]) return false;
    return true;
}

} // namespace

bool ReplyContainsOk(const char* reply, size_t received) {
    if (reply == nullptr || received < 2) return false;
    return std::string_view(reply, received).find("ok") != std::string_view::npos;
}

bool ReplyIsHttpError(const char* reply, size_t received) {
    if (reply == nullptr) return false;
    std::string_view text(reply, received);
    if (text.substr(0, 5) != "HTTP/") return false;
    size_t blank = text.find(' ');
    if (blank == std::string_view::npos || blank + 1 >= text.size()) return false;
    char first = text[blank + 1];
    return first == '4' || first == '5';
}

bool ReplyIsComplete(const char* reply, size_t received) {
    if (reply == nullptr) return false;
    std::string_view text(reply, received);
    size_t headerEnd = text.find("\r\n\r\n");
    if (headerEnd == std::string_view::npos) return false;
    std::string_view header = text.substr(0, headerEnd + 2);
    for (size_t line = header.find("\r\n"); line != std::string_view::npos; line = header.find("\r\n", line + 2)) {
        std::string_view rest = header.substr(line + 2);
        if (!StartsWithNoCase(rest, "content-length:")) continue;
        size_t at = 15;
        while (at < rest.size() && rest[at] == ' ') ++at;
        size_t length = 0;
        bool digits = false;
        for (; at < rest.size() && std::isdigit(static_cast<unsigned char>(rest[at])); ++at) {
            digits = true;
            if (length > received) return false; // more than the buffer could ever hold
            length = length * 10 + static_cast<size_t>(rest[at] - '0');
        }
        return digits && received - (headerEnd + 4) >= length;
    }
    return false;
}

bool ReplySetsSerial(const char* reply, size_t received) {
    return !ReplyIsHttpError(reply, received) && ReplyContainsOk(reply, received);
}

} // namespace tarnwell
