#include "support/headless_browser.h"

#include <cerrno>
#include <csignal>
#include <cstdlib>
#include <fcntl.h>
#include <fstream>
#include <poll.h>
#include <spawn.h>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>
#include <vector>

extern char** environ;

namespace tarnwell::test {
namespace {

constexpr auto kCallLimit = std::chrono::seconds(30);

std::string DecodeBase64(const std::string& text) {
    auto value = [](char c) -> int {
        if (c >= 'A' && c <= 'Z') return c - 'A';
        if (c >= 'a' && c <= 'z') return c - 'a' + 26;
        if (c >= '0' && c <= '9') return c - '0' + 52;
        if (c == '+') return 62;
        if (c == '/') return 63;
        return -1;
    };
    std::string bytes;
    unsigned buffer = 0;
    int bits = 0;
    for (char c : text) {
        const int v = value(c);
        if (v < 0) continue;
        buffer = (buffer << 6) | static_cast<unsigned>(v);
        bits += 6;
        if (bits >= 8) {
            bits -= 8;
            bytes.push_back(static_cast<char>((buffer >> bits) & 0xFF));
        }
    }
    return bytes;
}

} // namespace

std::string HeadlessBrowser::Program() {
    if (const char* chosen = std::getenv("TARNWELL_CHROMIUM"); chosen && *chosen) return chosen;
    for (const char* candidate : {"/usr/bin/chromium", "/usr/bin/chromium-browser"})
        if (::access(candidate, X_OK) == 0) return candidate;
    return {};
}

HeadlessBrowser::HeadlessBrowser() {
    const std::string program = Program();
    if (program.empty()) {
        problem_ = "no chromium installed";
        return;
    }
    int in[2], out[2];
    if (::pipe2(in, O_CLOEXEC) != 0 || ::pipe2(out, O_CLOEXEC) != 0) {
        problem_ = "no pipes for the browser";
        return;
    }
    std::vector<std::string> arguments{program, "--headless=new", "--disable-gpu", "--remote-debugging-pipe",
                                       "--user-data-dir=" + folder_.File("profile"), "--no-first-run",
                                       "--no-default-browser-check", "--disable-extensions", "--hide-scrollbars",
                                       "--window-size=1280,1500", "--disable-background-networking",
                                       "--disable-component-update", "--disable-sync", "about:blank"};
    // Chromium's sandbox refuses to run as root, as CI does.
    if (::geteuid() == 0) arguments.insert(arguments.begin() + 1, "--no-sandbox");
    std::vector<char*> argv;
    for (auto& argument : arguments) argv.push_back(argument.data());
    argv.push_back(nullptr);
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    // The protocol's pipes are the browser's descriptors 3 (commands) and 4 (answers).
    posix_spawn_file_actions_adddup2(&actions, in[0], 3);
    posix_spawn_file_actions_adddup2(&actions, out[1], 4);
    const std::string log = folder_.File("browser.log");
    posix_spawn_file_actions_addopen(&actions, 1, log.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
    posix_spawn_file_actions_adddup2(&actions, 1, 2);
    posix_spawn_file_actions_addopen(&actions, 0, "/dev/null", O_RDONLY, 0);
    const int spawned = posix_spawn(&pid_, program.c_str(), &actions, nullptr, argv.data(), environ);
    posix_spawn_file_actions_destroy(&actions);
    ::close(in[0]);
    ::close(out[1]);
    toBrowser_ = in[1];
    fromBrowser_ = out[0];
    if (spawned != 0) {
        pid_ = -1;
        problem_ = "cannot start " + program;
        return;
    }
    // The first answer says the browser is up.
    if (Call("Browser.getVersion", nlohmann::json::object(), false).is_null() && problem_.empty())
        problem_ = "the browser does not answer: " + Log();
}

HeadlessBrowser::~HeadlessBrowser() {
    if (pid_ > 0) {
        Send({{"id", nextId_++}, {"method", "Browser.close"}});
        for (int i = 0; i < 100; ++i) {
            if (::waitpid(pid_, nullptr, WNOHANG) == pid_) {
                pid_ = -1;
                break;
            }
            std::this_thread::sleep_for(std::chrono::milliseconds(50));
        }
        if (pid_ > 0) {
            ::kill(pid_, SIGKILL);
            ::waitpid(pid_, nullptr, 0);
        }
    }
    if (toBrowser_ >= 0) ::close(toBrowser_);
    if (fromBrowser_ >= 0) ::close(fromBrowser_);
}

std::string HeadlessBrowser::Log() const { return ReadFileBytes(folder_.File("browser.log")); }

bool HeadlessBrowser::Send(const nlohmann::json& message) {
    std::string text = message.dump();
    text.push_back('\0');
    size_t sent = 0;
    while (sent < text.size()) {
        const ssize_t wrote = ::write(toBrowser_, text.data() + sent, text.size() - sent);
        if (wrote < 0 && errno == EINTR) continue;
        if (wrote <= 0) return false;
        sent += static_cast<size_t>(wrote);
    }
    return true;
}

bool HeadlessBrowser::Receive(nlohmann::json& message, std::chrono::steady_clock::time_point deadline) {
    for (;;) {
        const size_t end = pending_.find('\0');
        if (end != std::string::npos) {
            message = nlohmann::json::parse(pending_.substr(0, end), nullptr, false);
            pending_.erase(0, end + 1);
            return !message.is_discarded();
        }
        const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - std::chrono::steady_clock::now());
        if (left.count() <= 0) return false;
        pollfd wait{fromBrowser_, POLLIN, 0};
        const int ready = ::poll(&wait, 1, static_cast<int>(left.count()));
        if (ready < 0 && errno == EINTR) continue;
        if (ready <= 0) return false;
        char chunk[65536];
        const ssize_t got = ::read(fromBrowser_, chunk, sizeof chunk);
        if (got <= 0) return false;
        pending_.append(chunk, static_cast<size_t>(got));
    }
}

nlohmann::json HeadlessBrowser::Call(const std::string& method, const nlohmann::json& params, bool inPage) {
    const int id = nextId_++;
    nlohmann::json message{{"id", id}, {"method", method}, {"params", params}};
    if (inPage) message["sessionId"] = session_;
    if (!Send(message)) {
        problem_ = "the browser went away: " + Log();
        return nullptr;
    }
    const auto deadline = std::chrono::steady_clock::now() + kCallLimit;
    nlohmann::json answer;
    while (Receive(answer, deadline)) {
        // Events (no id) and answers to other calls are passed over.
        if (!answer.contains("id") || answer["id"] != id) continue;
        if (answer.contains("error")) return nullptr;
        return answer.value("result", nlohmann::json::object());
    }
    return nullptr;
}

bool HeadlessBrowser::Open(const std::string& url, const std::string& languages) {
    if (!target_.empty()) Call("Target.closeTarget", {{"targetId", target_}}, false);
    auto target = Call("Target.createTarget", {{"url", "about:blank"}}, false);
    if (target.is_null()) return false;
    target_ = target["targetId"];
    auto attached = Call("Target.attachToTarget", {{"targetId", target["targetId"]}, {"flatten", true}}, false);
    if (attached.is_null()) return false;
    session_ = attached["sessionId"];
    // The browser's language list, as a user's browser settings give it.
    Call("Emulation.setUserAgentOverride",
         {{"userAgent", "Mozilla/5.0 (X11; Linux x86_64) TarnwellTest"}, {"acceptLanguage", languages}});
    Call("Page.enable", nlohmann::json::object());
    return !Call("Page.navigate", {{"url", url}}).is_null();
}

bool HeadlessBrowser::Navigate(const std::string& url) { return !Call("Page.navigate", {{"url", url}}).is_null(); }

nlohmann::json HeadlessBrowser::Evaluate(const std::string& expression) {
    auto result = Call("Runtime.evaluate", {{"expression", expression}, {"returnByValue", true}});
    if (result.is_null() || result.contains("exceptionDetails")) return nullptr;
    return result["result"].value("value", nlohmann::json());
}

bool HeadlessBrowser::WaitFor(const std::string& expression, std::chrono::milliseconds limit) {
    const auto deadline = std::chrono::steady_clock::now() + limit;
    while (std::chrono::steady_clock::now() < deadline) {
        if (Evaluate("Boolean(" + expression + ")") == true) return true;
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
    }
    return false;
}

bool HeadlessBrowser::Screenshot(const std::string& path) {
    auto shot = Call("Page.captureScreenshot", {{"format", "png"}, {"captureBeyondViewport", true}});
    if (shot.is_null() || !shot.contains("data")) return false;
    std::ofstream file(path, std::ios::binary | std::ios::trunc);
    file << DecodeBase64(shot["data"].get<std::string>());
    return static_cast<bool>(file);
}

} // namespace tarnwell::test
