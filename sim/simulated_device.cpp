#include "sim/simulated_device.h"

#include "platform/tcp_socket.h"
#include "sim/test_bitmap.h"

#include <algorithm>
#include <arpa/inet.h>
#include <cerrno>
#include <cstdio>
#include <fcntl.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

namespace tarnwell::sim {

using namespace std::chrono_literals;

namespace {

constexpr auto kPictureDecisionWindow = 400ms;
constexpr auto kMemberIdleEnd = 500ms;

uint32_t BigEndian32(const uint8_t* at) {
    return static_cast<uint32_t>(at[0]) << 24 | static_cast<uint32_t>(at[1]) << 16 |
           static_cast<uint32_t>(at[2]) << 8 | at[3];
}

std::vector<uint8_t> MakeReply(uint8_t kind, uint32_t value, uint8_t flag, const std::string& text = {}) {
    std::vector<uint8_t> reply(128, 0);
    reply[0] = kind;
    PutLittleEndian32(&reply[4], value);
    reply[8] = flag;
    for (size_t i = 0; i < text.size() && 32 + i < reply.size(); ++i) reply[32 + i] = static_cast<uint8_t>(text[i]);
    return reply;
}

bool Readable(int fd, std::chrono::milliseconds limit) {
    pollfd entry{fd, POLLIN, 0};
    return ::poll(&entry, 1, static_cast<int>(limit.count())) > 0;
}

} // namespace

std::string CommandName(uint8_t code) {
    switch (code) {
    case CmdReadyUpgrade: return "ReadyUpgrade";
    case CmdUpgradeHandshake: return "UpgradeHandshake";
    case CmdUpgradeFirstFile: return "UpgradeFirstFile";
    case CmdReboot: return "Reboot";
    case CmdQuery: return "Query";
    case CmdSetLanguage: return "SetLanguage";
    case CmdSetVideoStandard: return "SetVideoStandard";
    case CmdSetTime: return "SetTime";
    case CmdSetMac: return "SetMac";
    case CmdCapture: return "Capture";
    default: return "Unknown";
    }
}

// Serves one connection: command blocks one after another until the tool closes.
class SimulatedDevice::Session {
public:
    Session(SimulatedDevice& device, TcpSocket socket, int ordinal)
        : device_(device), socket_(std::move(socket)), ordinal_(ordinal) {}

    void Run() {
        while (alive_) {
            Exchange exchange;
            exchange.connection = ordinal_;
            size_t got = Read(exchange.command.data(), exchange.command.size());
            if (got == 0) break;
            exchange.code = exchange.command[0];
            exchange.name = CommandName(exchange.code);
            if (got < exchange.command.size()) {
                exchange.complete = false;
                device_.Record(exchange);
                break;
            }
            Serve(exchange);
            device_.Record(exchange);
        }
        if (reset_) socket_.Abort();
    }

private:
    void Serve(Exchange& exchange) {
        const DeviceProfile& profile = device_.profile_;
        closeAfter_ = FaultFor(exchange.code, FaultKind::CloseEarly);
        resetAfter_ = FaultFor(exchange.code, FaultKind::Reset);
        payloadRead_ = 0;
        answers_ = 0;
        if (CutHere(0)) {
            exchange.complete = false;
            return;
        }
        switch (exchange.code) {
        case CmdUpgradeHandshake:
            exchange.complete = ReadPayload(exchange, 32);
            if (exchange.complete) Answer(exchange.code, MakeReply(215, 0, 1));
            break;
        case CmdUpgradeFirstFile:
            if ((exchange.complete = ReadPayload(exchange, 8))) {
                exchange.complete = ReadPayload(exchange, BigEndian32(&exchange.payload[4]));
                if (exchange.complete) Answer(exchange.code, MakeReply(216, 0, 1));
            }
            break;
        case CmdReadyUpgrade:
            ServeReady(exchange);
            break;
        case CmdReboot: {
            std::lock_guard lock(device_.mutex_);
            ++device_.reboots_;
            break;
        }
        case CmdQuery:
            if (exchange.command[8] == QueryLanguageList || exchange.command[8] == QueryFlashLayout) {
                uint8_t sub = exchange.command[8] == QueryLanguageList ? profile.languageQueryAnswer : QueryFlashLayout;
                const std::string& text = sub == QueryLanguageList ? profile.languageList : profile.flashLayoutDigits;
                Answer(exchange.code, MakeReply(180, 0, sub, text));
            }
            break;
        case CmdSetLanguage:
        case CmdSetVideoStandard:
        case CmdSetTime:
            exchange.complete = ReadPayload(exchange, 32);
            break;
        case CmdSetMac:
            exchange.complete = ReadPayload(exchange, 33);
            break;
        case CmdCapture:
            ServeCapture(exchange);
            break;
        default:
            alive_ = false;
            break;
        }
    }

    void ServeReady(Exchange& exchange) {
        const DeviceProfile& profile = device_.profile_;
        ReadyMode mode = profile.readyMode;
        if (mode == ReadyMode::Auto) mode = Readable(socket_.Descriptor(), kPictureDecisionWindow) ? ReadyMode::Picture : ReadyMode::Firmware;
        if (mode == ReadyMode::Picture) {
            // Attributes (type, size) and the image; the tool reads no answer.
            if ((exchange.complete = ReadPayload(exchange, 8)))
                exchange.complete = ReadPayload(exchange, BigEndian32(&exchange.payload[4]));
            return;
        }
        if (!Answer(exchange.code, MakeReply(186, 0, 1))) return;
        if (refused_) return;
        size_t memberIndex;
        {
            std::lock_guard lock(device_.mutex_);
            memberIndex = device_.firmwareMembersSeen_++;
        }
        if (memberIndex < profile.firmwareMemberSizes.size()) {
            exchange.complete = ReadPayload(exchange, profile.firmwareMemberSizes[memberIndex]);
        } else {
            ReadUntilQuiet(exchange);
        }
        if (exchange.complete) Answer(exchange.code, MakeReply(186, 0, 1));
    }

    void ServeCapture(Exchange& exchange) {
        const DeviceProfile& profile = device_.profile_;
        std::vector<uint8_t> picture = profile.capturePicture.empty() ? MakeBitmap(64, 48, 8) : profile.capturePicture;
        uint32_t announced = profile.captureAnnouncedLength.value_or(static_cast<uint32_t>(picture.size()));
        if (!Answer(exchange.code, MakeReply(218, announced, 1)) || refused_ || silenced_) return;
        size_t limit = std::min(picture.size(), profile.captureCutAfter.value_or(picture.size()));
        limit = std::min(limit, profile.captureStallAfter.value_or(limit));
        if (resetAfter_) limit = std::min(limit, resetAfter_->afterBytes);
        for (size_t sent = 0; sent < limit;) {
            size_t piece = std::min(profile.capturePiece, limit - sent);
            if (!socket_.SendAll(picture.data() + sent, piece)) return;
            sent += piece;
            std::this_thread::sleep_for(1ms);
        }
        if (resetAfter_) {
            // Give the bytes time to reach the tool before the reset discards them.
            std::this_thread::sleep_for(100ms);
            CutHere(resetAfter_->afterBytes);
        } else if (profile.captureCutAfter) {
            alive_ = false;
        }
        // A stalled device holds the connection until the tool gives up.
    }

    // Sends a reply unless a fault says otherwise; false when the connection ended.
    bool Answer(uint8_t code, std::vector<uint8_t> reply) {
        refused_ = false;
        silenced_ = false;
        const int answer = ++answers_;
        if (FaultFor(code, FaultKind::StaySilent, answer)) {
            silenced_ = true;
            return true;
        }
        if (auto slow = FaultFor(code, FaultKind::AnswerSlowly, answer)) std::this_thread::sleep_for(slow->delay);
        if (FaultFor(code, FaultKind::RefuseStep, answer)) {
            reply[8] = 0;
            refused_ = true;
        }
        return socket_.SendAll(reply.data(), reply.size());
    }

    std::optional<Fault> FaultFor(uint8_t code, FaultKind kind, int answer = 0) {
        return device_.TakeFault(ordinal_, code, kind, answer);
    }

    // True when a close or reset fault ends the exchange at this payload position.
    bool CutHere(size_t position) {
        if (closeAfter_ && position >= closeAfter_->afterBytes) {
            alive_ = false;
            return true;
        }
        if (resetAfter_ && position >= resetAfter_->afterBytes) {
            alive_ = false;
            reset_ = true;
            return true;
        }
        return false;
    }

    bool ReadPayload(Exchange& exchange, size_t length) {
        uint8_t buffer[65536];
        while (length > 0) {
            size_t want = std::min(length, sizeof buffer);
            if (closeAfter_) want = std::min(want, closeAfter_->afterBytes - std::min(closeAfter_->afterBytes, payloadRead_));
            if (resetAfter_) want = std::min(want, resetAfter_->afterBytes - std::min(resetAfter_->afterBytes, payloadRead_));
            if (want == 0 && CutHere(payloadRead_)) return false;
            ssize_t got = socket_.ReceiveSome(buffer, want);
            if (got <= 0) {
                alive_ = false;
                return false;
            }
            Keep(exchange, buffer, static_cast<size_t>(got));
            length -= static_cast<size_t>(got);
            if (CutHere(payloadRead_) && length > 0) return false;
        }
        return true;
    }

    void ReadUntilQuiet(Exchange& exchange) {
        uint8_t buffer[65536];
        while (Readable(socket_.Descriptor(), kMemberIdleEnd)) {
            ssize_t got = socket_.ReceiveSome(buffer, sizeof buffer);
            if (got <= 0) {
                alive_ = false;
                return;
            }
            Keep(exchange, buffer, static_cast<size_t>(got));
        }
    }

    void Keep(Exchange& exchange, const uint8_t* data, size_t length) {
        exchange.payload.insert(exchange.payload.end(), data, data + length);
        payloadRead_ += length;
        std::lock_guard lock(device_.mutex_);
        auto& raw = device_.connectionBytes_[static_cast<size_t>(ordinal_ - 1)];
        raw.insert(raw.end(), data, data + length);
    }

    // Reads exactly `length` bytes unless the peer goes away; the count read.
    size_t Read(uint8_t* out, size_t length) {
        size_t got = 0;
        while (got < length) {
            ssize_t n = socket_.ReceiveSome(out + got, length - got);
            if (n <= 0) break;
            got += static_cast<size_t>(n);
        }
        std::lock_guard lock(device_.mutex_);
        auto& raw = device_.connectionBytes_[static_cast<size_t>(ordinal_ - 1)];
        raw.insert(raw.end(), out, out + got);
        return got;
    }

    SimulatedDevice& device_;
    TcpSocket socket_;
    int ordinal_;
    bool alive_ = true;
    bool reset_ = false;
    bool refused_ = false;
    bool silenced_ = false;
    size_t payloadRead_ = 0;
    int answers_ = 0; // answers given in the current exchange
    std::optional<Fault> closeAfter_;
    std::optional<Fault> resetAfter_;
};

SimulatedDevice::SimulatedDevice(DeviceProfile profile) : profile_(std::move(profile)) {}

SimulatedDevice::~SimulatedDevice() { Stop(); }

bool SimulatedDevice::OpenListener() {
    int fd = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC | SOCK_NONBLOCK, 0);
    if (fd < 0) return false;
    int yes = 1;
    ::setsockopt(fd, SOL_SOCKET, SO_REUSEADDR, &yes, sizeof yes);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_port = htons(profile_.port);
    uint32_t host = 0;
    // Loopback only: a simulated device never answers another network.
    if (!ParseIpv4(profile_.address, host) || (ntohl(host) >> 24) != 127) {
        ::close(fd);
        return false;
    }
    address.sin_addr.s_addr = host;
    if (::bind(fd, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0 || ::listen(fd, 16) != 0) {
        ::close(fd);
        return false;
    }
    listenFd_ = fd;
    listening_ = true;
    return true;
}

bool SimulatedDevice::Start() {
    if (running_) return true;
    if (::pipe2(wakePipe_, O_CLOEXEC | O_NONBLOCK) != 0) return false;
    if (!OpenListener()) {
        ::close(wakePipe_[0]);
        ::close(wakePipe_[1]);
        wakePipe_[0] = wakePipe_[1] = -1;
        return false;
    }
    running_ = true;
    acceptThread_ = std::thread([this] { AcceptLoop(); });
    return true;
}

void SimulatedDevice::Stop() {
    if (!running_.exchange(false)) return;
    char wake = 1;
    [[maybe_unused]] ssize_t ignored = ::write(wakePipe_[1], &wake, 1);
    acceptThread_.join();
    std::list<std::thread> sessions;
    {
        std::lock_guard lock(mutex_);
        sessions.swap(sessions_);
    }
    for (auto& session : sessions) session.join();
    if (listenFd_ >= 0) ::close(listenFd_);
    listenFd_ = -1;
    for (int retired : retiredListeners_) ::close(retired);
    retiredListeners_.clear();
    ::close(wakePipe_[0]);
    ::close(wakePipe_[1]);
    wakePipe_[0] = wakePipe_[1] = -1;
}

void SimulatedDevice::CloseListenerLocked() {
    if (listenFd_ < 0) return;
    // Shut down at once, so connects are refused from now on; the accept
    // thread may be polling this descriptor, so it closes it itself.
    ::shutdown(listenFd_, SHUT_RDWR);
    if (std::this_thread::get_id() == acceptThread_.get_id()) ::close(listenFd_);
    else retiredListeners_.push_back(listenFd_);
    listenFd_ = -1;
    listening_ = false;
    char wake = 1;
    [[maybe_unused]] ssize_t ignored = ::write(wakePipe_[1], &wake, 1);
}

void SimulatedDevice::AcceptLoop() {
    while (running_) {
        {
            std::lock_guard lock(mutex_);
            bool resumeDue = resumeAt_ != std::chrono::steady_clock::time_point{} &&
                             std::chrono::steady_clock::now() >= resumeAt_;
            if (!listening_ && resumeDue) {
                resumeAt_ = {};
                OpenListener();
            }
        }
        int polled;
        {
            std::lock_guard lock(mutex_);
            for (int retired : retiredListeners_) ::close(retired);
            retiredListeners_.clear();
            polled = listening_ ? listenFd_ : -1;
        }
        pollfd entries[2] = {{wakePipe_[0], POLLIN, 0}, {polled, POLLIN, 0}};
        if (::poll(entries, 2, 50) <= 0) continue;
        if (entries[0].revents != 0) {
            char drain[16];
            while (::read(wakePipe_[0], drain, sizeof drain) > 0) {
            }
            continue;
        }
        if ((entries[1].revents & POLLIN) == 0) continue;
        // Accepted under the lock, so WaitUntilIdle never sees a connection
        // that has left the queue but has no session yet.
        std::lock_guard lock(mutex_);
        if (listenFd_ != polled) continue;
        int fd = ::accept4(listenFd_, nullptr, nullptr, SOCK_CLOEXEC);
        if (fd < 0) continue;
        int ordinal = ++connections_;
        connectionBytes_.emplace_back();
        // A refused next connection: close the port before the tool can reach it.
        if (auto refuse = std::find_if(faults_.begin(), faults_.end(), [&](const Fault& f) {
                return f.kind == FaultKind::RefuseConnection && f.connection == ordinal + 1;
            });
            refuse != faults_.end()) {
            CloseListenerLocked();
            ++connections_; // the refused attempt keeps its ordinal
            connectionBytes_.emplace_back();
            resumeAt_ = refuse->delay.count() > 0 ? std::chrono::steady_clock::now() + refuse->delay
                                                  : std::chrono::steady_clock::time_point{};
            faults_.erase(refuse);
        }
        ++activeSessions_;
        sessions_.emplace_back([this, fd, ordinal] {
            Session(*this, TcpSocket(fd), ordinal).Run();
            std::lock_guard done(mutex_);
            --activeSessions_;
            changed_.notify_all();
        });
    }
}

void SimulatedDevice::AddFault(const Fault& fault) {
    std::lock_guard lock(mutex_);
    if (fault.kind == FaultKind::RefuseConnection && fault.connection == connections_ + 1 && listening_) {
        CloseListenerLocked();
        ++connections_;
        connectionBytes_.emplace_back();
        resumeAt_ = fault.delay.count() > 0 ? std::chrono::steady_clock::now() + fault.delay
                                            : std::chrono::steady_clock::time_point{};
        return;
    }
    faults_.push_back(fault);
}

void SimulatedDevice::ClearFaults() {
    std::lock_guard lock(mutex_);
    faults_.clear();
}

void SimulatedDevice::StopListening() {
    std::lock_guard lock(mutex_);
    if (!listening_) return;
    CloseListenerLocked();
    resumeAt_ = {};
}

void SimulatedDevice::ResumeListening() {
    std::lock_guard lock(mutex_);
    if (!listening_) OpenListener();
    resumeAt_ = {};
}

std::optional<Fault> SimulatedDevice::TakeFault(int connection, int code, FaultKind kind, int answer) {
    std::lock_guard lock(mutex_);
    for (auto it = faults_.begin(); it != faults_.end(); ++it) {
        if (it->kind != kind) continue;
        if (it->answer != 0 && it->answer != answer) continue;
        if (it->connection != 0 && it->connection != connection) continue;
        if (it->code != -1 && it->code != code) continue;
        Fault fault = *it;
        // A fault for one connection is spent there; one for any connection stays.
        if (fault.connection != 0) faults_.erase(it);
        return fault;
    }
    return std::nullopt;
}

void SimulatedDevice::Record(const Exchange& exchange) {
    std::function<void(const std::string&)> sink;
    {
        std::lock_guard lock(mutex_);
        exchanges_.push_back(exchange);
        sink = logSink_;
        changed_.notify_all();
    }
    if (sink) sink(LogLine(profile_.address, exchange));
}

bool SimulatedDevice::WaitUntilIdle(std::chrono::milliseconds limit) {
    auto deadline = std::chrono::steady_clock::now() + limit;
    for (;;) {
        bool pending = false;
        {
            std::unique_lock lock(mutex_);
            if (!changed_.wait_until(lock, deadline, [this] { return activeSessions_ == 0; })) return false;
            pending = listening_ && Readable(listenFd_, 0ms);
        }
        if (!pending) return true;
        if (std::chrono::steady_clock::now() >= deadline) return false;
        std::this_thread::sleep_for(5ms);
    }
}

std::vector<Exchange> SimulatedDevice::Exchanges() const {
    std::vector<Exchange> exchanges;
    {
        std::lock_guard lock(mutex_);
        exchanges = exchanges_;
    }
    // Connections are served side by side; the order they were opened in is the tool's.
    std::stable_sort(exchanges.begin(), exchanges.end(),
                     [](const Exchange& a, const Exchange& b) { return a.connection < b.connection; });
    return exchanges;
}

std::vector<Exchange> SimulatedDevice::ExchangesWithCode(uint8_t code) const {
    std::vector<Exchange> matching;
    for (const Exchange& exchange : Exchanges())
        if (exchange.code == code) matching.push_back(exchange);
    return matching;
}

std::vector<std::vector<uint8_t>> SimulatedDevice::ConnectionBytes() const {
    std::lock_guard lock(mutex_);
    return connectionBytes_;
}

int SimulatedDevice::ConnectionCount() const {
    std::lock_guard lock(mutex_);
    return connections_;
}

int SimulatedDevice::RebootCount() const {
    std::lock_guard lock(mutex_);
    return reboots_;
}

void SimulatedDevice::SetLogSink(std::function<void(const std::string&)> sink) {
    std::lock_guard lock(mutex_);
    logSink_ = std::move(sink);
}

std::string SimulatedDevice::LogLine(const std::string& address, const Exchange& exchange) {
    char head[160];
    std::snprintf(head, sizeof head, "%s conn=%d %s code=0x%02X sub=0x%02X payload=%zu%s", address.c_str(),
                  exchange.connection, exchange.name.c_str(), exchange.code, exchange.command[8],
                  exchange.payload.size(), exchange.complete ? "" : " incomplete");
    std::string line = head;
    if (!exchange.payload.empty()) {
        line += " data=";
        size_t shown = std::min<size_t>(exchange.payload.size(), 48);
        char hex[3];
        for (size_t i = 0; i < shown; ++i) {
            std::snprintf(hex, sizeof hex, "%02x", exchange.payload[i]);
            line += hex;
        }
        if (shown < exchange.payload.size()) line += "...";
    }
    return line;
}

} // namespace tarnwell::sim
