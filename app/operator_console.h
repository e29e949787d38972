#pragma once
// The operator console without its window: every field the device operations
// read, and the console's side of each operation. The device work itself is
// done by the operations of device/ on a session the console makes for the
// action; the console turns their outcomes into its boxes, status line,
// progress and settings. The Qt dialog owns one and drives it; tests drive it
// with a fake ConsoleUi.
#include "text/bilingual_text.h"
#include "app/console_fields.h"
#include "app/console_journal.h"
#include "app/console_observer.h"
#include "app/console_ui.h"
#include "device/outcome.h"
#include "device/unit_session.h"
#include "protocol/channel_limits.h"
#include "protocol/device_reply.h"
#include "protocol/upgrade_pauses.h"
#include "web/http_cgi_client.h"

#include <array>
#include <atomic>
#include <cstdint>
#include <string>
#include <thread>

namespace tarnwell {

class SettingsStore;
class TcpSocket;
class JournalUnit;

// The verdict of one operation's awaited replies. Each operation keeps its
// own, so a capture on the UI thread cannot change a running upgrade's verdict.
struct ReplyVerdict {
    int replyStatus = 0;    // 0 none yet, 1 accepted, 2 refused or failed
    int32_t captureLen = 0; // picture length announced by a capture reply
};

inline constexpr int kUpdateFileSlots = 60;
inline constexpr int kFirmwareSlotBase = 0;
inline constexpr int kPictureSlotBase = 20;
inline constexpr int kSlotsPerGroup = 20;

class OperatorConsole : public ConsoleBoundFields {
public:
    explicit OperatorConsole(ConsoleUi& ui);
    ~OperatorConsole();
    OperatorConsole(const OperatorConsole&) = delete;
    OperatorConsole& operator=(const OperatorConsole&) = delete;

    ConsoleUi& Ui() { return ui_; }

    // --- console state and settings -------------------------------------
    // The start-up steps that do not concern widgets: load the settings,
    // tick "Auto Add", the web port, the pickers; then push.
    void Initialise(SettingsStore& settings);
    void PullFields();
    void PushFields();
    // The one-second tick: pull, pickers to now, push.
    void OnTimer();
    // Title-bar close: false (and the busy refusal) while an upgrade runs;
    // otherwise the settings are saved and the console may end.
    bool OnClose(SettingsStore& settings);
    // Escape: ends without saving, but never under a running worker.
    bool OnCancel();
    void ReadDeviceAddress();
    void ShowBilingualMessage(const std::string& chinese, const std::string& english);
    void ShowBilingualMessage(const BilingualText& text) { ShowBilingualMessage(text.chinese, text.english); }
    static std::string GetFileVersionText();

    // --- device sessions -------------------------------------------------
    // A session on `address` with this console's limits, pauses, work folder
    // and flags; `observer` hears the operation (null: the console's window).
    UnitSession Session(const std::string& address, OperationObserver* observer = nullptr);
    // Keeps the outcome for the journal's step and returns it.
    const Outcome& Noted(const Outcome& outcome);

    // --- command channel -------------------------------------------------
    void SendCmdReadyUpgrade(TcpSocket& connection);
    void SendFileAttr(TcpSocket& connection, uint32_t type, uint32_t size);
    // True when every byte was handed to the connection.
    bool SendFile(TcpSocket& connection, const uint8_t* data, size_t length);
    // Interprets one reply into `verdict` and the console's state; a language
    // list that holds the chosen name sets the language.
    int DecodeReply(const DeviceReply& reply, ReplyVerdict& verdict);

    // --- device setting commands -----------------------------------------
    void RebootDevice();
    void RebootDevice(const std::string& address);
    void RebootDevice(const std::string& address, Milliseconds deviceWait);
    int UpdateLanguage();
    int SetLanguage();
    int SetVideoStandard();
    int SetDeviceTime();
    int SetMacAddress();
    void TestLink();

    // --- firmware upgrade --------------------------------------------------
    // Checks the input and starts the worker; returns at once. While a worker
    // runs it only shows the busy message.
    void StartFirmwareUpgrade();
    // Cuts the worker's last pause short and waits for it to end.
    void WaitForFirmwareWorker();
    // The worker's body, on its own copies of the package path and address.
    // Empties busyWorker at every end.
    // True when the device took every member and the reboot went out.
    bool UpgradeFirmware(const std::string& packagePath, const std::string& address);
    // UpgradeFirmware recorded as the step "UpgradeFirmware" of `unit` (null:
    // not recorded), the package's path and digest noted before anything is sent.
    bool UpgradeFirmwareRecorded(const std::shared_ptr<JournalUnit>& unit, const std::string& packagePath,
                                 const std::string& address);

    // --- picture update ------------------------------------------------------
    int UpdatePicture();
    int SendLogoImage();

    // --- update actions --------------------------------------------------------
    void UpdateAll();
    void OnUpdateBios();
    void OnUpdatePicture();
    void OnUpdateLanguage();
    void OnUpdateMac();
    void OnUpdateVideoStandard();
    void OnUpdateTime();

    // --- MAC stepping ------------------------------------------------------------
    int IncrementMacText();
    void OnIncrementMac();
    // Writes "UpgradeMacAddr" at once, so a crash cannot hand out a MAC again.
    void SaveMacSetting();

    // --- file selection ----------------------------------------------------------
    void OnBrowseFirmware();
    void OnBrowsePicture();
    int ValidateUpdateFile(const std::string& path, int kind);

    // --- web and media -----------------------------------------------------------
    // The serial to the web CGI; 1 when the device took it ("设置成功" shown).
    int SetSerial();
    void OnSetSerial();
    void OnCapture();
    void OnBrowseCaptureFolder();

    // --- local network -----------------------------------------------------------
    void PurgeArpEntry();

    // --- state (names as the operations know them) -----------------------------
    std::atomic<bool> busyWorker{false};
    std::thread firmwareWorker;
    UpgradePauses upgradePauses;
    CuttablePause upgradeTail;
    int commandPort = 10002;
    std::string deviceAddressText;
    std::atomic<int32_t> m_nCaptureLen{0};
    int firmwareFileCount = 0;
    int pictureFileCount = 0;
    std::array<std::string, kUpdateFileSlots> updateFilePaths;
    std::atomic<int> languageMatched{0};
    std::atomic<int> replyStatus{0}; // verdict of the last UI-thread exchange
    ChannelLimits channelLimits;
    HttpLimits httpLimits; // the serial setting's web CGI exchange
    // The flash layout the device reported (first digit of its 0x22 query
    // answer), 0 until a device says otherwise; chooses the logo install
    // script's layout. Held per console, so that consoles provisioning units
    // side by side never take each other's layout.
    std::atomic<int> FlashLayoutFlag{0};
    // Where this console keeps its work files (logo.cramfs, Install.lua, ...);
    // empty: the user's work folder.
    std::string workFolder;
    std::string WorkFile(const std::string& name) const;
    // Every byte this console handed to a device connection (command channel and web CGI).
    std::atomic<uint64_t> bytesSent{0};
    // Set by a front end that is stopping: a running upgrade finishes the member
    // it is sending, starts no other and does not reboot the device.
    std::atomic<bool> stopBeforeNextMember{false};
    ConsoleJournal journal; // where the actions are recorded, once enabled

private:
    ConsoleUi& ui_;
    ConsoleObserver windowObserver_{*this};
    SettingsStore* settings_ = nullptr; // the store Initialise read, kept for SaveMacSetting
};

} // namespace tarnwell
