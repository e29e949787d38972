#pragma once
// A console whose firmware upgrade runs against a simulated device, with a
// window that stamps what the operator saw in one ordered log.
#include "text/bilingual_text.h"
#include "app/operator_console.h"
#include "sim/firmware_expectation.h"
#include "support/fake_console_ui.h"
#include "support/loopback_device.h"
#include "support/platform_limits.h"
#include "support/temp_dir.h"
#include "support/ustar_writer.h"

#include <gtest/gtest.h>

#include <chrono>
#include <cstdlib>
#include <functional>
#include <mutex>
#include <utility>

namespace tarnwell::test {

using Clock = std::chrono::steady_clock;

class RecordingUi : public FakeConsoleUi {
public:
    struct Event {
        std::string what;
        Clock::time_point at;
    };

    // Runs on the worker at each status line, before it is recorded.
    std::function<void(const std::string&)> onStatus;

    std::vector<std::string> Log() const {
        std::lock_guard lock(logMutex_);
        std::vector<std::string> out;
        for (const auto& event : events_) out.push_back(event.what);
        return out;
    }
    std::optional<Clock::time_point> When(const std::string& what) const {
        std::lock_guard lock(logMutex_);
        for (const auto& event : events_)
            if (event.what == what) return event.at;
        return std::nullopt;
    }

    void ShowMessage(const std::string& text) override {
        Note("message " + text);
        FakeConsoleUi::ShowMessage(text);
    }
    void SetStatusLine(const std::string& text) override {
        if (onStatus) onStatus(text);
        Note("status " + text);
        FakeConsoleUi::SetStatusLine(text);
    }
    void EnableControl(int controlId, bool on) override {
        if (controlId == IdUpdateBios) Note(on ? "enable 1019" : "disable 1019");
        FakeConsoleUi::EnableControl(controlId, on);
    }

private:
    void Note(std::string what) {
        std::lock_guard lock(logMutex_);
        events_.push_back({std::move(what), Clock::now()});
    }
    mutable std::mutex logMutex_;
    std::vector<Event> events_;
};

struct PackageFile {
    std::string name;
    std::string data;
};

class UpgradeFixture : public ::testing::Test {
protected:
    UpgradeFixture() : console(ui) {
        UiLanguage = 0; // English texts read best in assertions
        console.channelLimits.connect = std::chrono::milliseconds(2000);
        console.channelLimits.reply = std::chrono::milliseconds(3000);
        console.channelLimits.worker = std::chrono::milliseconds(3000);
        console.upgradePauses.betweenMembers = std::chrono::milliseconds(0);
        console.upgradePauses.beforeIdleStatus = std::chrono::milliseconds(0);
    }
    ~UpgradeFixture() override {
        if (console.firmwareWorker.joinable()) console.firmwareWorker.join();
        UiLanguage = 1;
    }

    // A tar package made by GNU tar in the given format ("ustar" or "gnu").
    // Where GNU tar cannot be started, the test's own writer makes the same
    // headers; tests of GNU tar's output itself skip there instead.
    std::string PackWithTar(const std::vector<PackageFile>& files, const std::string& format) {
        if (NoPosixTools()) {
            std::vector<UstarMember> members;
            for (const auto& file : files) members.emplace_back(file.name, file.data);
            return PackWithWriter(members, "pkg.tar", {format == "gnu" ? TarMagic::Gnu : TarMagic::Posix});
        }
        std::string names;
        for (const auto& file : files) {
            WriteFileBytes(dir.File(file.name), file.data);
            names += " '" + file.name + "'";
        }
        const std::string command =
            "cd '" + dir.Path().string() + "' && tar --format=" + format + " -cf pkg.tar" + names;
        EXPECT_EQ(std::system(command.c_str()), 0);
        return dir.File("pkg.tar");
    }

    std::string PackWithWriter(const std::vector<UstarMember>& members, const std::string& name = "pkg.tar",
                               const UstarOptions& options = {}) {
        WriteFileBytes(dir.File(name), MakeUstarArchive(members, options));
        return dir.File(name);
    }

    static sim::FirmwareExpectation Expect(const std::vector<PackageFile>& files) {
        sim::FirmwareExpectation expected;
        expected.installDescription.assign(files.at(0).data.begin(), files.at(0).data.end());
        for (size_t i = 1; i < files.size(); ++i) expected.members.emplace_back(files[i].data.begin(), files[i].data.end());
        return expected;
    }

    sim::SimulatedDevice& UseDevice(const sim::FirmwareExpectation& expected) {
        sim::DeviceProfile profile;
        sim::ConfigureForFirmware(profile, expected);
        device = StartDevice(profile);
        ui.SetAddress(device->Address());
        return *device;
    }

    // Starts the upgrade as the UpdateBios button does and waits for its end.
    void RunUpgrade(const std::string& packagePath) {
        ui.controls.biosFilePath = packagePath;
        console.firmwareFileCount = 1;
        console.StartFirmwareUpgrade();
        if (console.firmwareWorker.joinable()) console.firmwareWorker.join();
        if (device) {
            EXPECT_TRUE(device->WaitUntilIdle());
        }
        EXPECT_FALSE(console.busyWorker.load());
    }

    std::vector<std::string> Statuses() const {
        std::vector<std::string> out;
        for (const auto& line : ui.Log())
            if (line.rfind("status ", 0) == 0) out.push_back(line.substr(7));
        return out;
    }

    RecordingUi ui;
    OperatorConsole console;
    TempDir dir;
    std::unique_ptr<sim::SimulatedDevice> device;
};

using Strings = std::vector<std::string>;

// An install description as packages carry it.
inline const std::string kInstallXml = "<install><flash part=\"romfs\"/></install>\n";

// A member's bytes that tell positions apart.
inline std::string PatternBytes(size_t length, unsigned seed) {
    std::string out(length, '\0');
    uint32_t state = seed * 2654435761u + 1;
    for (auto& byte : out) {
        state = state * 1664525u + 1013904223u;
        byte = static_cast<char>(state >> 24);
    }
    return out;
}

} // namespace tarnwell::test
