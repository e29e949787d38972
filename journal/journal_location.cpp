#include "journal/journal_location.h"

#include "journal/journal_error.h"

#include <cctype>
#include <filesystem>
#include <regex>

namespace tarnwell {
namespace {

bool StartsWithNoCase(const std::string& text, const std::string& prefix) {
    if (text.size() < prefix.size()) return false;
    for (size_t i = 0; i < prefix.size(); ++i)
        if (std::tolower(static_cast<unsigned char>(text[i])) != prefix[i]) return false;
    return true;
}

// A URL scheme as RFC 3986 has it: a letter, then letters, digits, + - .
size_t SchemeLength(const std::string& text) {
    if (text.empty() || !std::isalpha(static_cast<unsigned char>(text[0]))) return 0;
    size_t end = 1;
    while (end < text.size() && (std::isalnum(static_cast<unsigned char>(text[end])) || text[end] == '+' ||
                                 text[end] == '-' || text[end] == '.'))
        ++end;
    return end < text.size() && text[end] == ':' ? end : 0;
}

bool IsDrivePath(const std::string& text) {
    return text.size() >= 3 && SchemeLength(text) == 1 && (text[2] == '\\' || text[2] == '/');
}

[[noreturn]] void Refuse(const std::string& text, const std::string& why) {
    throw JournalError(JournalFault::BadLocation, "\"" + text + "\" is not a journal location: " + why);
}

std::string WithoutPassword(const std::string& url) {
    return std::regex_replace(url, std::regex("(://[^:/@]*):[^@/]*@"), "$1:***@");
}

} // namespace

JournalLocation ParseJournalLocation(const std::string& text) {
    if (text.empty()) Refuse(text, "it is empty");
    if (std::isspace(static_cast<unsigned char>(text.front())) || std::isspace(static_cast<unsigned char>(text.back())))
        Refuse(text, "it starts or ends with a blank");
    JournalLocation location;
    for (const std::string scheme : {"postgresql://", "postgres://"}) {
        if (!StartsWithNoCase(text, scheme)) continue;
        location.kind = JournalLocation::Kind::Postgres;
        location.text = scheme + text.substr(scheme.size());
        location.place = WithoutPassword(location.text);
        return location;
    }
    if (const size_t scheme = SchemeLength(text); scheme > 0 && !IsDrivePath(text))
        Refuse(text, "the only URLs are postgresql:// and postgres://; a file path has no \"" +
                         text.substr(0, scheme + 1) + "\" in front");
    std::error_code error;
    const auto absolute = std::filesystem::absolute(std::filesystem::path(text), error);
    if (error) Refuse(text, error.message());
    location.text = absolute.lexically_normal().string();
    location.place = location.text;
    return location;
}

} // namespace tarnwell
