#pragma once
// One simulated device on a loopback address: it serves the command port with
// every exchange the tool makes, records what arrives, and plays faults on
// request. Used in-process by tests and by the tarnwell-devsim program.
#include "protocol/command_block.h"
#include "protocol/sha256.h"
#include "platform/socket_waker.h"
#include "sim/loopback_listener.h"

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <deque>
#include <functional>
#include <list>
#include <mutex>
#include <optional>
#include <string>
#include <thread>
#include <vector>

namespace tarnwell::sim {

enum class FaultKind {
    RefuseConnection, // the connection with this ordinal is refused (the port is closed)
    CloseEarly,       // close after `afterBytes` bytes of the exchange's payload
    StaySilent,       // never answer the exchange
    AnswerSlowly,     // wait `delay` before answering
    Reset,            // reset the connection after `afterBytes` bytes of payload (of the picture, for a capture)
    RefuseStep,       // answer the exchange with the refused flag
};

struct Fault {
    FaultKind kind = FaultKind::RefuseStep;
    int connection = 0; // 1-based ordinal of the device's connections; 0 for any
    int code = -1;      // command code it applies to; -1 for any
    size_t afterBytes = 0;
    std::chrono::milliseconds delay{0};
    int answer = 0; // 1-based answer within the exchange it applies to; 0 for any
};

// A refused connection keeps the port closed this long (unless the fault has
// its own delay) after the connection before it has ended, so the tool's
// attempt fails and a later one is served again.
inline constexpr std::chrono::milliseconds kRefusalWindow{1000};

// How the device tells the two uses of the 0xC7 command apart.
enum class ReadyMode {
    Auto,     // attributes arriving at once mean a picture, silence a firmware member
    Firmware, // the tool waits for an answer, then sends a member's data
    Picture,  // attributes and data follow without an answer
};

// What the device keeps of each connection and exchange. The length and the
// SHA-256 always cover every byte; only the kept leading bytes are bounded.
struct RecordLimits {
    size_t leadingBytes = SIZE_MAX; // of each payload and each connection's stream
    size_t records = SIZE_MAX;      // most recent exchange and connection records
};

// How replies leave the device. Our own code sends each one in one 128-byte
// write; real units do otherwise.
struct ReplyShape {
    bool shortReplies = false;     // only the bytes that carry something: 9, or 32 + text + NUL
    size_t pieces = 1;             // writes each reply is split over
    std::chrono::milliseconds piecePause{30};
    bool twoInOneBurst = false;    // a second reply (kind 16) follows in the same write
    bool captureCoalesced = false; // the capture reply and the first picture bytes in one write
};

struct DeviceProfile {
    std::string address = "127.0.0.2";
    uint16_t port = DeviceCommandPort;
    std::string languageList = "English|SimpChinese|TradChinese|Japanese|Korean|Russian|";
    uint8_t languageQueryAnswer = QueryLanguageList; // sub-kind sent back to a language query
    std::string flashLayoutDigits = "0000000000000000";
    std::vector<uint8_t> capturePicture; // empty: a generated 8-bit bitmap
    size_t capturePiece = 1000;          // the picture goes out in pieces of this size
    std::optional<size_t> captureCutAfter;   // close after this many picture bytes
    std::optional<size_t> captureStallAfter; // after this many, send nothing more but keep the connection
    std::optional<uint32_t> captureAnnouncedLength; // announce another length than the picture's
    ReadyMode readyMode = ReadyMode::Auto;
    // Data sizes of the firmware members after the install description, in
    // order; without them a member ends when the tool stops sending.
    std::vector<size_t> firmwareMemberSizes;

    uint8_t captureReplyFlag = 1; // flag of the capture reply; the length alone says a picture follows
    ReplyShape replies;
    uint64_t linkRateBitsPerSecond = 0;          // paces what the device reads and sends; 0 for no limit
    std::chrono::milliseconds flashWritePerMiB{0}; // time to write member data before answering it
    std::chrono::milliseconds idleTimeout{60000}; // a silent connection is dropped after this; 0 for never
    // After the tool ends its side, keep the connection open until the idle
    // timeout instead of closing at once: the tool learns nothing either way.
    bool holdOpen = false;
    RecordLimits records;
};

// What one connection brought: its leading bytes, its length and the SHA-256 of all of it.
struct ConnectionRecord {
    int connection = 0;
    std::vector<uint8_t> leading;
    uint64_t length = 0;
    Sha256Digest sha256{};
};

struct Exchange {
    int connection = 0;
    uint8_t code = 0;
    std::string name;
    CommandBytes command{};
    std::vector<uint8_t> payload; // the leading bytes of what followed the command block
    uint64_t payloadLength = 0;   // all of it
    Sha256Digest payloadSha256{}; // of all of it
    bool complete = true;         // the whole payload arrived
    std::string outcome = "complete"; // or incomplete, refused, silent, closed, reset
};

std::string CommandName(uint8_t code);

enum class LogFormat { Text, Json };

class SimulatedDevice {
public:
    explicit SimulatedDevice(DeviceProfile profile);
    ~SimulatedDevice();
    SimulatedDevice(const SimulatedDevice&) = delete;
    SimulatedDevice& operator=(const SimulatedDevice&) = delete;

    // Binds the command port; false when the address cannot be bound.
    bool Start();
    void Stop();
    const std::string& Address() const { return profile_.address; }

    void AddFault(const Fault& fault);
    void ClearFaults();
    // Closes the command port so connects are refused, until resumed.
    void StopListening();
    void ResumeListening();

    // Waits until every connection made so far has been served to its end.
    bool WaitUntilIdle(std::chrono::milliseconds limit = std::chrono::milliseconds(5000));
    // Every exchange so far, in the order the tool opened their connections.
    std::vector<Exchange> Exchanges() const;
    std::vector<Exchange> ExchangesWithCode(uint8_t code) const;
    std::vector<std::vector<uint8_t>> ConnectionBytes() const; // raw (leading) bytes received, per connection
    std::vector<ConnectionRecord> Connections() const;
    int ConnectionCount() const;
    int RebootCount() const;

    // Receives one line per exchange, as the program's log file shows it.
    void SetLogSink(std::function<void(const std::string&)> sink, LogFormat format = LogFormat::Text);
    static std::string LogLine(const std::string& address, const Exchange& exchange);
    // The same as one JSON object on one line, for a line engineer's tools.
    static std::string JsonLogLine(const std::string& address, const Exchange& exchange);

private:
    class Session;
    void AcceptLoop();
    bool OpenListener();
    void CloseListenerLocked();
    bool ListeningLocked() const { return listener_.IsOpen(); }
    void RefuseNextLocked(const Fault& refusal, int ordinal);
    std::optional<Fault> TakeFault(int connection, int code, FaultKind kind, int answer = 0);
    void Record(const Exchange& exchange);
    ConnectionRecord* KeptConnectionLocked(int ordinal);
    void AddConnectionRecordLocked();
    void ReapFinishedSessions();
    void SessionEnded(int ordinal);

    DeviceProfile profile_;
    std::atomic<bool> running_{false};
    std::thread acceptThread_;
    LoopbackListener listener_;
    std::vector<LoopbackListener> retiredListeners_; // shut down, to be closed by the accept thread
    SocketWaker waker_;
    std::chrono::steady_clock::time_point resumeAt_{};

    mutable std::mutex mutex_;
    std::condition_variable changed_;
    std::vector<Fault> faults_;
    std::deque<Exchange> exchanges_;
    std::deque<ConnectionRecord> connectionRecords_; // the most recent ones
    std::list<std::thread> sessions_;
    std::vector<std::list<std::thread>::iterator> finishedSessions_; // to be joined
    int refusalAfter_ = 0; // the port reopens a window after this connection has ended
    std::chrono::milliseconds refusalWindow_{0};
    int activeSessions_ = 0;
    int connections_ = 0;
    int reboots_ = 0;
    size_t firmwareMembersSeen_ = 0;
    std::function<void(const std::string&)> logSink_;
    LogFormat logFormat_ = LogFormat::Text;
};

} // namespace tarnwell::sim
