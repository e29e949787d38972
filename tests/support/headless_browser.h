#pragma once
// A real browser for the web view's tests: headless Chromium (Debian's
// `chromium`), driven over its DevTools protocol on a pair of pipes
// (--remote-debugging-pipe), so a test opens a page, reads the DOM after its
// scripts ran, as often as it likes while the page lives, and takes
// screenshots. No port is opened for the browser itself.
#include "support/temp_dir.h"

#include <nlohmann/json.hpp>

#include <chrono>
#include <string>
#include <sys/types.h>

namespace tarnwell::test {

class HeadlessBrowser {
public:
    // The browser program: $TARNWELL_CHROMIUM, else chromium on the PATH's
    // usual places; "" when there is none.
    static std::string Program();

    HeadlessBrowser();
    ~HeadlessBrowser();
    HeadlessBrowser(const HeadlessBrowser&) = delete;
    HeadlessBrowser& operator=(const HeadlessBrowser&) = delete;

    // False, with Problem(), when the browser did not start.
    bool Started() const { return pid_ > 0 && problem_.empty(); }
    const std::string& Problem() const { return problem_; }

    // Opens `url` in a new tab (closing the one opened before) with the browser's languages set to
    // `languages` (an Accept-Language value such as "zh-CN,zh"); false on failure.
    bool Open(const std::string& url, const std::string& languages);
    // Loads `url` in the open tab, as typing it into the address bar does.
    bool Navigate(const std::string& url);
    // Evaluates `expression` in the page; its value (null on failure).
    nlohmann::json Evaluate(const std::string& expression);
    // Waits until `expression` is true in the page.
    bool WaitFor(const std::string& expression, std::chrono::milliseconds limit);
    // The page as it is shown, as a PNG file.
    bool Screenshot(const std::string& path);
    // What the browser wrote on its standard error, for a failure's message.
    std::string Log() const;

private:
    nlohmann::json Call(const std::string& method, const nlohmann::json& params, bool inPage = true);
    bool Send(const nlohmann::json& message);
    bool Receive(nlohmann::json& message, std::chrono::steady_clock::time_point deadline);

    TempDir folder_;
    pid_t pid_ = -1;
    int toBrowser_ = -1, fromBrowser_ = -1;
    std::string pending_;
    std::string session_;
    std::string target_;
    int nextId_ = 1;
    std::string problem_;
};

} // namespace tarnwell::test
