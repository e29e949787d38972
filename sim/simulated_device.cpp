#include "sim/simulated_device.h"

#include "platform/socket_wait.h"
#include "protocol/device_reply.h"
#include "sim/link_pacer.h"
#include "sim/test_bitmap.h"

#include <algorithm>
#include <cstdio>
#include <nlohmann/json.hpp>

namespace tarnwell::sim {

using namespace std::chrono_literals;

namespace {

constexpr auto kPictureDecisionWindow = 400ms;
constexpr auto kMemberIdleEnd = 500ms;
// How often a waiting session looks whether the device is stopping.
constexpr auto kStopCheck = 100ms;
constexpr size_t kMebibyte = 1024 * 1024;

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

// What a terse unit sends of a reply: the kind, value and flag, and the text when there is one.
size_t MeaningfulLength(const std::vector<uint8_t>& reply) {
    size_t end = reply.size();
    while (end > 32 && reply[end - 1] == 0) --end;
    return end > 32 ? std::min(reply.size(), end + 1) : 9;
}

bool Readable(SocketHandle handle, std::chrono::milliseconds limit) { return WaitForSocket(handle, false, limit); }

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
        : device_(device), profile_(device.profile_), socket_(std::move(socket)), ordinal_(ordinal),
          readPacer_(profile_.linkRateBitsPerSecond), sendPacer_(profile_.linkRateBitsPerSecond) {}

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
                Finish(exchange);
                break;
            }
            Serve(exchange);
            Finish(exchange);
        }
        if (reset_) socket_.Abort();
        else if (profile_.holdOpen && peerClosed_) HoldUntilIdle();
        std::lock_guard lock(device_.mutex_);
        if (ConnectionRecord* record = device_.KeptConnectionLocked(ordinal_)) record->sha256 = connectionHash_.Finish();
    }

private:
    void HoldUntilIdle() {
        const auto until = std::chrono::steady_clock::now() + profile_.idleTimeout;
        while (device_.running_ && (profile_.idleTimeout.count() == 0 || std::chrono::steady_clock::now() < until))
            std::this_thread::sleep_for(kStopCheck);
    }

    void Finish(Exchange& exchange) {
        exchange.payloadSha256 = payloadHash_.Finish();
        if (refused_) exchange.outcome = "refused";
        else if (silenced_) exchange.outcome = "silent";
        else if (reset_) exchange.outcome = "reset";
        else if (closed_) exchange.outcome = "closed";
        else if (!exchange.complete) exchange.outcome = "incomplete";
        device_.Record(exchange);
    }

    void Serve(Exchange& exchange) {
        closeAfter_ = FaultFor(exchange.code, FaultKind::CloseEarly);
        resetAfter_ = FaultFor(exchange.code, FaultKind::Reset);
        payloadRead_ = 0;
        answers_ = 0;
        refused_ = silenced_ = false;
        if (CutHere(0)) {
            exchange.complete = false;
            return;
        }
        switch (exchange.code) {
        case CmdUpgradeHandshake:
            exchange.complete = ReadPayload(exchange, 32);
            if (exchange.complete) {
                // Each upgrade sends its members from the first again.
                std::lock_guard lock(device_.mutex_);
                device_.firmwareMembersSeen_ = 0;
            }
            if (exchange.complete) Answer(exchange.code, MakeReply(215, 0, 1));
            break;
        case CmdUpgradeFirstFile:
            if ((exchange.complete = ReadPayload(exchange, 8))) {
                exchange.complete = ReadPayload(exchange, BigEndian32(attributes_ + 4));
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
                uint8_t sub = exchange.command[8] == QueryLanguageList ? profile_.languageQueryAnswer : QueryFlashLayout;
                const std::string& text = sub == QueryLanguageList ? profile_.languageList : profile_.flashLayoutDigits;
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
        ReadyMode mode = profile_.readyMode;
        if (mode == ReadyMode::Auto) mode = Readable(socket_.Descriptor(), kPictureDecisionWindow) ? ReadyMode::Picture : ReadyMode::Firmware;
        if (mode == ReadyMode::Picture) {
            // Attributes (type, size) and the image; the tool reads no answer.
            if ((exchange.complete = ReadPayload(exchange, 8)))
                exchange.complete = ReadPayload(exchange, BigEndian32(attributes_ + 4));
            return;
        }
        if (!Answer(exchange.code, MakeReply(186, 0, 1))) return;
        if (refused_) return;
        size_t memberIndex;
        {
            std::lock_guard lock(device_.mutex_);
            memberIndex = device_.firmwareMembersSeen_++;
        }
        if (memberIndex < profile_.firmwareMemberSizes.size()) {
            exchange.complete = ReadPayload(exchange, profile_.firmwareMemberSizes[memberIndex]);
        } else {
            ReadUntilQuiet(exchange);
        }
        if (!exchange.complete) return;
        WriteFlash(payloadRead_);
        Answer(exchange.code, MakeReply(186, 0, 1));
    }

    // A unit answers member data only once it has written it.
    void WriteFlash(uint64_t bytes) {
        if (profile_.flashWritePerMiB.count() <= 0) return;
        auto busy = std::chrono::duration_cast<std::chrono::milliseconds>(
            profile_.flashWritePerMiB * (static_cast<double>(bytes) / kMebibyte));
        auto until = std::chrono::steady_clock::now() + busy;
        while (device_.running_ && std::chrono::steady_clock::now() < until)
            std::this_thread::sleep_for(std::min<std::chrono::steady_clock::duration>(kStopCheck, until - std::chrono::steady_clock::now()));
    }

    void ServeCapture(Exchange& exchange) {
        std::vector<uint8_t> picture = profile_.capturePicture.empty() ? MakeBitmap(64, 48, 8) : profile_.capturePicture;
        uint32_t announced = profile_.captureAnnouncedLength.value_or(static_cast<uint32_t>(picture.size()));
        size_t limit = std::min(picture.size(), profile_.captureCutAfter.value_or(picture.size()));
        limit = std::min(limit, profile_.captureStallAfter.value_or(limit));
        if (resetAfter_) limit = std::min(limit, resetAfter_->afterBytes);
        size_t sent = 0;
        std::vector<uint8_t> trailing;
        if (profile_.replies.captureCoalesced) {
            sent = std::min(profile_.capturePiece, limit);
            trailing.assign(picture.begin(), picture.begin() + static_cast<std::ptrdiff_t>(sent));
        }
        if (!Answer(exchange.code, MakeReply(218, announced, profile_.captureReplyFlag), trailing) || refused_ || silenced_) return;
        while (sent < limit) {
            size_t piece = std::min(profile_.capturePiece, limit - sent);
            if (!Send(picture.data() + sent, piece)) return;
            sent += piece;
            std::this_thread::sleep_for(1ms);
        }
        if (resetAfter_) {
            // Give the bytes time to reach the tool before the reset discards them.
            std::this_thread::sleep_for(100ms);
            CutHere(resetAfter_->afterBytes);
        } else if (profile_.captureCutAfter) {
            alive_ = false;
        }
        // A stalled device holds the connection until the tool gives up.
    }

    // Sends a reply (and `trailing` in the same write) unless a fault says
    // otherwise, in the shape the profile gives; false when the connection ended.
    bool Answer(uint8_t code, std::vector<uint8_t> reply, const std::vector<uint8_t>& trailing = {}) {
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
        const ReplyShape& shape = profile_.replies;
        if (shape.shortReplies) reply.resize(MeaningfulLength(reply));
        if (shape.twoInOneBurst) {
            std::vector<uint8_t> second = MakeReply(ReplyNothing16, 0, 0);
            if (shape.shortReplies) second.resize(MeaningfulLength(second));
            reply.insert(reply.end(), second.begin(), second.end());
        }
        reply.insert(reply.end(), trailing.begin(), trailing.end());
        const size_t pieces = std::clamp<size_t>(shape.pieces, 1, reply.size());
        for (size_t i = 0, at = 0; i < pieces; ++i) {
            size_t end = reply.size() * (i + 1) / pieces;
            if (i > 0) std::this_thread::sleep_for(shape.piecePause);
            if (!Send(reply.data() + at, end - at)) return false;
            at = end;
        }
        return true;
    }

    bool Send(const uint8_t* data, size_t length) {
        if (!sendPacer_.Paced()) return socket_.SendAll(data, length);
        constexpr size_t kSegment = 1460;
        for (size_t at = 0; at < length; at += kSegment) {
            size_t piece = std::min(kSegment, length - at);
            sendPacer_.Pass(piece);
            if (!socket_.SendAll(data + at, piece)) return false;
        }
        return true;
    }

    std::optional<Fault> FaultFor(uint8_t code, FaultKind kind, int answer = 0) {
        return device_.TakeFault(ordinal_, code, kind, answer);
    }

    // True when a close or reset fault ends the exchange at this payload position.
    bool CutHere(size_t position) {
        if (closeAfter_ && position >= closeAfter_->afterBytes) {
            alive_ = false;
            closed_ = true;
            return true;
        }
        if (resetAfter_ && position >= resetAfter_->afterBytes) {
            alive_ = false;
            reset_ = true;
            return true;
        }
        return false;
    }

    // Waits for bytes: false when the device stops or the tool stays silent past the idle limit.
    bool WaitForInput() {
        const auto idle = profile_.idleTimeout;
        const auto deadline = std::chrono::steady_clock::now() + idle;
        while (device_.running_) {
            auto slice = kStopCheck;
            if (idle.count() > 0) {
                auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - std::chrono::steady_clock::now());
                if (left.count() <= 0) return false;
                slice = std::min(slice, left);
            }
            if (Readable(socket_.Descriptor(), slice)) return true;
        }
        return false;
    }

    // One receive of at most `length` bytes after waiting for them; <= 0 when the connection is over.
    ssize_t ReceiveSome(uint8_t* out, size_t length) {
        if (readPacer_.Paced()) length = std::min<size_t>(length, 16 * 1024);
        if (!WaitForInput()) return -1;
        ssize_t got = socket_.ReceiveSome(out, length);
        if (got == 0) peerClosed_ = true;
        if (got > 0) {
            readPacer_.Pass(static_cast<size_t>(got));
            Note(out, static_cast<size_t>(got));
        }
        return got;
    }

    bool ReadPayload(Exchange& exchange, size_t length) {
        uint8_t buffer[65536];
        while (length > 0) {
            size_t want = std::min(length, sizeof buffer);
            if (closeAfter_) want = std::min(want, closeAfter_->afterBytes - std::min(closeAfter_->afterBytes, payloadRead_));
            if (resetAfter_) want = std::min(want, resetAfter_->afterBytes - std::min(resetAfter_->afterBytes, payloadRead_));
            if (want == 0 && CutHere(payloadRead_)) return false;
            ssize_t got = ReceiveSome(buffer, want);
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
            ssize_t got = ReceiveSome(buffer, sizeof buffer);
            if (got <= 0) {
                alive_ = false;
                return;
            }
            Keep(exchange, buffer, static_cast<size_t>(got));
        }
    }

    // Adds payload bytes to the exchange: its leading bytes, its length and its hash.
    void Keep(Exchange& exchange, const uint8_t* data, size_t length) {
        // The first 8 bytes carry file attributes some commands read back.
        for (size_t i = 0; i < length && payloadRead_ + i < sizeof attributes_; ++i) attributes_[payloadRead_ + i] = data[i];
        size_t room = profile_.records.leadingBytes - std::min(profile_.records.leadingBytes, exchange.payload.size());
        exchange.payload.insert(exchange.payload.end(), data, data + std::min(room, length));
        exchange.payloadLength += length;
        payloadHash_.Update(data, length);
        payloadRead_ += length;
    }

    // Adds received bytes to the connection's record.
    void Note(const uint8_t* data, size_t length) {
        connectionHash_.Update(data, length);
        std::lock_guard lock(device_.mutex_);
        ConnectionRecord* record = device_.KeptConnectionLocked(ordinal_);
        if (record == nullptr) return;
        size_t room = profile_.records.leadingBytes - std::min(profile_.records.leadingBytes, record->leading.size());
        record->leading.insert(record->leading.end(), data, data + std::min(room, length));
        record->length += length;
    }

    // Reads exactly `length` bytes unless the peer goes away; the count read.
    size_t Read(uint8_t* out, size_t length) {
        size_t got = 0;
        while (got < length) {
            ssize_t n = ReceiveSome(out + got, length - got);
            if (n <= 0) break;
            got += static_cast<size_t>(n);
        }
        return got;
    }

    SimulatedDevice& device_;
    const DeviceProfile& profile_;
    TcpSocket socket_;
    int ordinal_;
    LinkPacer readPacer_;
    LinkPacer sendPacer_;
    Sha256 payloadHash_;
    Sha256 connectionHash_;
    uint8_t attributes_[8] = {};
    bool alive_ = true;
    bool peerClosed_ = false; // the tool ended its side
    bool reset_ = false;
    bool closed_ = false;
    bool refused_ = false;
    bool silenced_ = false;
    size_t payloadRead_ = 0;
    int answers_ = 0; // answers given in the current exchange
    std::optional<Fault> closeAfter_;
    std::optional<Fault> resetAfter_;
};

SimulatedDevice::SimulatedDevice(DeviceProfile profile) : profile_(std::move(profile)) {}

SimulatedDevice::~SimulatedDevice() { Stop(); }

bool SimulatedDevice::OpenListener() { return listener_.Listen(profile_.address, profile_.port); }

bool SimulatedDevice::Start() {
    if (running_) return true;
    if (!waker_.Open()) return false;
    if (!OpenListener()) {
        waker_.Close();
        return false;
    }
    running_ = true;
    acceptThread_ = std::thread([this] { AcceptLoop(); });
    return true;
}

void SimulatedDevice::Stop() {
    if (!running_.exchange(false)) return;
    waker_.Wake();
    acceptThread_.join();
    std::list<std::thread> sessions;
    {
        std::lock_guard lock(mutex_);
        sessions.swap(sessions_);
        finishedSessions_.clear();
    }
    for (auto& session : sessions) session.join();
    listener_.Close();
    retiredListeners_.clear();
    waker_.Close();
}

void SimulatedDevice::CloseListenerLocked() {
    if (!listener_.IsOpen()) return;
    // Shut down at once, so connects are refused from now on; the accept
    // thread may be polling this descriptor, so it closes it itself.
    listener_.Shutdown();
    if (std::this_thread::get_id() == acceptThread_.get_id()) listener_.Close();
    else retiredListeners_.push_back(std::move(listener_));
    listener_ = LoopbackListener();
    waker_.Wake();
}

// Closes the port for the connection after `ordinal`; it opens again a
// window after that connection has ended.
void SimulatedDevice::RefuseNextLocked(const Fault& refusal, int ordinal) {
    CloseListenerLocked();
    ++connections_; // the refused attempt keeps its ordinal
    AddConnectionRecordLocked();
    refusalWindow_ = refusal.delay.count() > 0 ? refusal.delay : kRefusalWindow;
    refusalAfter_ = ordinal;
    resumeAt_ = std::chrono::steady_clock::now() + refusalWindow_;
}

void SimulatedDevice::SessionEnded(int ordinal) {
    if (ordinal == refusalAfter_ && !ListeningLocked() && resumeAt_ != std::chrono::steady_clock::time_point{})
        resumeAt_ = std::max(resumeAt_, std::chrono::steady_clock::now() + refusalWindow_);
}

void SimulatedDevice::ReapFinishedSessions() {
    std::list<std::thread> finished;
    {
        std::lock_guard lock(mutex_);
        for (auto it : finishedSessions_) finished.splice(finished.end(), sessions_, it);
        finishedSessions_.clear();
    }
    for (auto& session : finished) session.join();
}

void SimulatedDevice::AddConnectionRecordLocked() {
    ConnectionRecord record;
    record.connection = connections_;
    record.sha256 = Sha256().Finish();
    connectionRecords_.push_back(std::move(record));
    while (connectionRecords_.size() > profile_.records.records) connectionRecords_.pop_front();
}

ConnectionRecord* SimulatedDevice::KeptConnectionLocked(int ordinal) {
    if (connectionRecords_.empty()) return nullptr;
    auto index = static_cast<long>(ordinal) - connectionRecords_.front().connection;
    if (index < 0 || index >= static_cast<long>(connectionRecords_.size())) return nullptr;
    return &connectionRecords_[static_cast<size_t>(index)];
}

void SimulatedDevice::AcceptLoop() {
    while (running_) {
        ReapFinishedSessions();
        {
            std::lock_guard lock(mutex_);
            bool resumeDue = resumeAt_ != std::chrono::steady_clock::time_point{} &&
                             std::chrono::steady_clock::now() >= resumeAt_;
            if (!ListeningLocked() && resumeDue) {
                resumeAt_ = {};
                OpenListener();
            }
        }
        SocketHandle polled;
        {
            std::lock_guard lock(mutex_);
            retiredListeners_.clear();
            polled = listener_.Descriptor();
        }
        SocketWait entries[2] = {{waker_.Handle()}, {polled}};
        if (WaitForSockets(entries, 2, 50ms) <= 0) continue;
        if (entries[0].ready) {
            waker_.Drain();
            continue;
        }
        if (!entries[1].ready) continue;
        // Accepted under the lock, so WaitUntilIdle never sees a connection
        // that has left the queue but has no session yet.
        std::lock_guard lock(mutex_);
        if (listener_.Descriptor() != polled) continue;
        TcpSocket socket = listener_.Accept();
        if (!socket.IsValid()) continue;
        int ordinal = ++connections_;
        AddConnectionRecordLocked();
        // A refused next connection: close the port before the tool can reach it.
        if (auto refuse = std::find_if(faults_.begin(), faults_.end(), [&](const Fault& f) {
                return f.kind == FaultKind::RefuseConnection && f.connection == ordinal + 1;
            });
            refuse != faults_.end()) {
            Fault refusal = *refuse;
            faults_.erase(refuse);
            RefuseNextLocked(refusal, ordinal);
        }
        ++activeSessions_;
        auto slot = sessions_.emplace(sessions_.end());
        // The session finds its slot under the lock, so it is set before the session can end.
        *slot = std::thread([this, socket = std::move(socket), ordinal, slot]() mutable {
            Session(*this, std::move(socket), ordinal).Run();
            std::lock_guard done(mutex_);
            --activeSessions_;
            SessionEnded(ordinal);
            if (running_) finishedSessions_.push_back(slot);
            changed_.notify_all();
        });
    }
}

void SimulatedDevice::AddFault(const Fault& fault) {
    std::lock_guard lock(mutex_);
    if (fault.kind == FaultKind::RefuseConnection && fault.connection == connections_ + 1 && ListeningLocked()) {
        RefuseNextLocked(fault, connections_);
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
    if (!ListeningLocked()) return;
    CloseListenerLocked();
    resumeAt_ = {};
}

void SimulatedDevice::ResumeListening() {
    std::lock_guard lock(mutex_);
    if (!ListeningLocked()) OpenListener();
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
        if (profile_.records.records > 0) exchanges_.push_back(exchange);
        while (exchanges_.size() > profile_.records.records) exchanges_.pop_front();
        sink = logSink_;
        changed_.notify_all();
    }
    if (sink) sink(logFormat_ == LogFormat::Json ? JsonLogLine(profile_.address, exchange) : LogLine(profile_.address, exchange));
}

bool SimulatedDevice::WaitUntilIdle(std::chrono::milliseconds limit) {
    auto deadline = std::chrono::steady_clock::now() + limit;
    for (;;) {
        bool pending = false;
        {
            std::unique_lock lock(mutex_);
            if (!changed_.wait_until(lock, deadline, [this] { return activeSessions_ == 0; })) return false;
            pending = ListeningLocked() && Readable(listener_.Descriptor(), 0ms);
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
        exchanges.assign(exchanges_.begin(), exchanges_.end());
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
    std::vector<std::vector<uint8_t>> bytes;
    for (const ConnectionRecord& record : connectionRecords_) bytes.push_back(record.leading);
    return bytes;
}

std::vector<ConnectionRecord> SimulatedDevice::Connections() const {
    std::lock_guard lock(mutex_);
    return {connectionRecords_.begin(), connectionRecords_.end()};
}

int SimulatedDevice::ConnectionCount() const {
    std::lock_guard lock(mutex_);
    return connections_;
}

int SimulatedDevice::RebootCount() const {
    std::lock_guard lock(mutex_);
    return reboots_;
}

void SimulatedDevice::SetLogSink(std::function<void(const std::string&)> sink, LogFormat format) {
    std::lock_guard lock(mutex_);
    logSink_ = std::move(sink);
    logFormat_ = format;
}

std::string SimulatedDevice::LogLine(const std::string& address, const Exchange& exchange) {
    char head[160];
    std::snprintf(head, sizeof head, "%s conn=%d %s code=0x%02X sub=0x%02X payload=%llu%s", address.c_str(),
                  exchange.connection, exchange.name.c_str(), exchange.code, exchange.command[8],
                  static_cast<unsigned long long>(exchange.payloadLength), exchange.complete ? "" : " incomplete");
    std::string line = head;
    if (!exchange.payload.empty()) {
        line += " data=";
        size_t shown = std::min<size_t>(exchange.payload.size(), 48);
        char hex[3];
        for (size_t i = 0; i < shown; ++i) {
            std::snprintf(hex, sizeof hex, "%02x", exchange.payload[i]);
            line += hex;
        }
        if (shown < exchange.payloadLength) line += "...";
    }
    return line;
}

std::string SimulatedDevice::JsonLogLine(const std::string& address, const Exchange& exchange) {
    nlohmann::ordered_json line;
    line["address"] = address;
    line["connection"] = exchange.connection;
    line["command"] = exchange.name;
    line["code"] = exchange.code;
    line["sub"] = exchange.command[8];
    line["payloadLength"] = exchange.payloadLength;
    line["payloadSha256"] = Sha256Hex(exchange.payloadSha256);
    line["outcome"] = exchange.outcome;
    return line.dump();
}

} // namespace tarnwell::sim
