#include "image/logo_entry_name.h"

#include <algorithm>

namespace tarnwell {

namespace {

char ToLowerAscii(char c) { return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c; }

std::string_view BaseName(std::string_view path) {
    // A '/' anywhere wins over any '\\': the name is never cut at a backslash
    // that comes after the last slash.
    std::size_t cut = path.rfind('/');
    if (cut == std::string_view::npos) cut = path.rfind('\\');
    return cut == std::string_view::npos ? path : path.substr(cut + 1);
}

} // namespace

std::string LogoEntryName(std::string_view path) {
    std::string name(BaseName(path));
    std::transform(name.begin(), name.end(), name.begin(), ToLowerAscii);
    const bool known = std::find(std::begin(kLogoNames), std::end(kLogoNames), name) != std::end(kLogoNames);
    return known ? name : std::string(kLogoNames[0]);
}

} // namespace tarnwell
