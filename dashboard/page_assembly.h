#pragma once
// The page as one answer: its style and script go inside the HTML, so a
// browser draws the figures after two requests (the page, then the figures)
// instead of five. The Content-Security-Policy names exactly that style and
// that script by their SHA-256, so nothing else inline ever runs.
#include <string>

namespace tarnwell::dashboard {

struct AssembledPage {
    std::string html;
    std::string contentSecurityPolicy;
};

AssembledPage AssemblePage();

// The policy of every answer but the page: nothing may run or load.
inline constexpr char kApiContentSecurityPolicy[] = "default-src 'none'; frame-ancestors 'none'";

} // namespace tarnwell::dashboard
