#include "dashboard/page_assembly.h"

#include "embedded_page.h"
#include "protocol/sha256.h"

namespace tarnwell::dashboard {
namespace {

constexpr char kStyleLink[] = "<link rel=\"stylesheet\" href=\"/app.css\">";
constexpr char kScriptLink[] = "<script src=\"/app.js\" defer></script>";

std::string Base64(const Sha256Digest& digest) {
    static const char alphabet[] = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";
    std::string text;
    for (size_t i = 0; i < digest.size(); i += 3) {
        const unsigned a = digest[i], b = i + 1 < digest.size() ? digest[i + 1] : 0,
                       c = i + 2 < digest.size() ? digest[i + 2] : 0;
        text += alphabet[a >> 2];
        text += alphabet[((a & 3) << 4) | (b >> 4)];
        text += i + 1 < digest.size() ? alphabet[((b & 15) << 2) | (c >> 6)] : '=';
        text += i + 2 < digest.size() ? alphabet[c & 63] : '=';
    }
    return text;
}

std::string Hash(const std::string& text) { return "'sha256-" + Base64(Sha256Of(text.data(), text.size())) + "'"; }

} // namespace

AssembledPage AssemblePage() {
    std::string html(kResource_index_html);
    const std::string style = "\n" + std::string(kResource_app_css);
    // The script runs at the end of the body, where the whole DOM is there.
    const std::string script = "\n" + std::string(kResource_app_js);
    const size_t styleAt = html.find(kStyleLink), scriptAt = html.find(kScriptLink);
    const size_t bodyEnd = html.rfind("</body>");
    if (styleAt == std::string::npos || scriptAt == std::string::npos || bodyEnd == std::string::npos ||
        style.find("</style") != std::string::npos || script.find("</script") != std::string::npos)
        // A page laid out otherwise is served as it is, with its own files.
        return {html, "default-src 'none'; script-src 'self'; style-src 'self'; img-src 'self'; connect-src 'self'; "
                      "frame-ancestors 'none'; base-uri 'none'; form-action 'none'"};
    html.insert(bodyEnd, "<script>" + script + "</script>\n");
    html.erase(scriptAt, std::string(kScriptLink).size());
    html.replace(html.find(kStyleLink), std::string(kStyleLink).size(), "<style>" + style + "</style>");
    return {html, "default-src 'none'; script-src " + Hash(script) + "; style-src " + Hash(style) +
                      "; img-src 'self'; connect-src 'self'; frame-ancestors 'none'; base-uri 'none'; form-action 'none'"};
}

} // namespace tarnwell::dashboard
