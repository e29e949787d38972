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

bool HasStatusLine(std::string_view text) { return text.substr(0, 5) == "HTTP/"; }

struct Header {
    size_t bodyStart = 0;
    std::optional<size_t> contentLength;
    bool chunked = false;
};

// The header's fields, once its blank line has arrived.
std::optional<Header> ParseHeader(std::string_view text) {
    const size_t headerEnd = text.find("\r\n\r\n");
    if (headerEnd == std::string_view::npos) return std::nullopt;
    Header header;
    header.bodyStart = headerEnd + 4;
    std::string_view fields = text.substr(0, headerEnd + 2);
    for (size_t line = fields.find("\r\n"); line != std::string_view::npos; line = fields.find("\r\n", line + 2)) {
        std::string_view rest = fields.substr(line + 2);
        rest = rest.substr(0, rest.find("\r\n"));
        if (StartsWithNoCase(rest, "content-length:")) {
            size_t at = 15;
            while (at < rest.size() && rest[at] == ' ') ++at;
            size_t length = 0;
            bool digits = false;
            for (; at < rest.size() && std::isdigit(static_cast<unsigned char>(rest[at])); ++at) {
                digits = true;
                if (length > text.size()) break; // more than the buffer could ever hold
                length = length * 10 + static_cast<size_t>(rest[at] - '0');
            }
            if (digits) header.contentLength = length;
        } else if (StartsWithNoCase(rest, "transfer-encoding:") &&
                   rest.find("chunked") != std::string_view::npos) {
            header.chunked = true;
        }
    }
    return header;
}

// Walks a chunked body: the data joined into `data`; true when the last
// (empty) chunk and the blank line after it have arrived.
bool WalkChunks(std::string_view body, std::string& data) {
    size_t at = 0;
    for (;;) {
        const size_t lineEnd = body.find("\r\n", at);
        if (lineEnd == std::string_view::npos) return false;
        size_t size = 0;
        size_t digit = at;
        for (; digit < lineEnd && std::isxdigit(static_cast<unsigned char>(body[digit])); ++digit) {
            if (size > body.size()) return false;
            const char c = static_cast<char>(std::tolower(static_cast<unsigned char>(body[digit])));
            size = size * 16 + static_cast<size_t>(c <= '9' ? c - '0' : c - 'a' + 10);
        }
        if (digit == at) return false; // not a chunk size
        at = lineEnd + 2;
        if (size == 0) return body.find("\r\n", at) != std::string_view::npos;
        const size_t available = body.size() - at;
        data.append(body.substr(at, size < available ? size : available));
        if (size + 2 > available) return false;
        at += size + 2;
    }
}

bool IsWordCharacter(char c) { return std::isalnum(static_cast<unsigned char>(c)) || c == '_'; }

bool ContainsWordOk(std::string_view text) {
    for (size_t at = text.find("ok"); at != std::string_view::npos; at = text.find("ok", at + 1)) {
        const bool startsWord = at == 0 || !IsWordCharacter(text[at - 1]);
        const bool endsWord = at + 2 >= text.size() || !IsWordCharacter(text[at + 2]);
        if (startsWord && endsWord) return true;
    }
    return false;
}

} // namespace

bool ReplyContainsOk(const char* reply, size_t received) {
    if (reply == nullptr || received < 2) return false;
    return std::string_view(reply, received).find("ok") != std::string_view::npos;
}

std::optional<int> ReplyStatusCode(const char* reply, size_t received) {
    if (reply == nullptr) return std::nullopt;
    std::string_view text(reply, received);
    if (!HasStatusLine(text)) return std::nullopt;
    const size_t blank = text.find(' ');
    if (blank == std::string_view::npos || blank + 3 >= text.size()) return std::nullopt;
    int code = 0;
    for (size_t i = blank + 1; i < blank + 4; ++i) {
        if (!std::isdigit(static_cast<unsigned char>(text[i]))) return std::nullopt;
        code = code * 10 + (text[i] - '0');
    }
    return code;
}

bool ReplyIsHttpError(const char* reply, size_t received) {
    if (reply == nullptr) return false;
    std::string_view text(reply, received);
    if (!HasStatusLine(text)) return false;
    const size_t blank = text.find(' ');
    if (blank == std::string_view::npos || blank + 1 >= text.size()) return false;
    const char first = text[blank + 1];
    return first == '4' || first == '5';
}

bool ReplyIsComplete(const char* reply, size_t received) {
    if (reply == nullptr) return false;
    std::string_view text(reply, received);
    auto header = ParseHeader(text);
    if (!header) return false;
    std::string_view body = text.substr(header->bodyStart);
    if (header->chunked) {
        std::string data;
        return WalkChunks(body, data);
    }
    return header->contentLength && body.size() >= *header->contentLength;
}

std::string ReplyBody(const char* reply, size_t received) {
    if (reply == nullptr) return {};
    std::string_view text(reply, received);
    if (!HasStatusLine(text)) return std::string(text);
    auto header = ParseHeader(text);
    if (!header) return {};
    std::string_view body = text.substr(header->bodyStart);
    if (header->chunked) {
        std::string data;
        WalkChunks(body, data);
        return data;
    }
    if (header->contentLength && body.size() > *header->contentLength) body = body.substr(0, *header->contentLength);
    return std::string(body);
}

bool ReplySetsSerial(const char* reply, size_t received) {
    if (reply == nullptr) return false;
    std::string_view text(reply, received);
    if (HasStatusLine(text)) {
        auto status = ReplyStatusCode(reply, received);
        if (!status || *status < 200 || *status > 299) return false;
    }
    return ContainsWordOk(ReplyBody(reply, received));
}

} // namespace tarnwell
