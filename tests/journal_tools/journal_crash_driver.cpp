// A console on a line, writing MAC addresses to one device until killed:
//   journal_crash_driver JOURNAL SETTINGS_FILE DEVICE_ADDRESS WRITES
// The settings file holds "UpgradeMacAddr" between runs, replaced atomically
// as a registry value would be. When the journal refuses the address on
// screen (its last write never reported back), the operator moves on to the
// next one, as the refusal tells them to.
#include "app/operator_console.h"
#include "app/settings_store.h"
#include "support/fake_console_ui.h"

#include <cstdio>
#include <fstream>
#include <map>
#include <unistd.h>

namespace {

class FileSettingsStore : public tarnwell::SettingsStore {
public:
    explicit FileSettingsStore(std::string path) : path_(std::move(path)) {}
    bool Open() override {
        values_.clear();
        std::ifstream in(path_);
        std::string line;
        while (std::getline(in, line))
            if (auto equals = line.find('='); equals != std::string::npos)
                values_[line.substr(0, equals)] = line.substr(equals + 1);
        return true;
    }
    std::optional<std::string> ReadString(const std::string& name, size_t bufferSize) override {
        auto found = values_.find(name);
        if (found == values_.end() || found->second.size() + 1 > bufferSize) return std::nullopt;
        return found->second;
    }
    bool WriteString(const std::string& name, const std::string& value) override {
        values_[name] = value;
        return true;
    }
    bool WriteNumber(const std::string& name, uint32_t value) override {
        values_[name] = std::to_string(value);
        return true;
    }
    bool Close() override {
        const std::string temporary = path_ + ".new";
        FILE* out = std::fopen(temporary.c_str(), "w");
        if (out == nullptr) return false;
        for (const auto& [name, value] : values_) std::fprintf(out, "%s=%s\n", name.c_str(), value.c_str());
        std::fflush(out);
        ::fsync(fileno(out));
        std::fclose(out);
        return std::rename(temporary.c_str(), path_.c_str()) == 0;
    }

private:
    std::string path_;
    std::map<std::string, std::string> values_;
};

} // namespace

int main(int argc, char** argv) {
    using namespace tarnwell;
    if (argc != 5) {
        std::fprintf(stderr, "usage: %s JOURNAL SETTINGS_FILE DEVICE_ADDRESS WRITES\n", argv[0]);
        return 2;
    }
    FileSettingsStore settings(argv[2]);
    test::FakeConsoleUi ui;
    OperatorConsole console(ui);
    console.Initialise(settings);
    console.journal.location = argv[1];
    console.journal.station = "crash-" + std::to_string(::getpid());
    console.journal.Enable();
    ui.SetAddress(argv[3]);
    const int writes = std::stoi(argv[4]);
    for (int i = 0; i < writes; ++i) {
        ui.ClearRecords();
        console.OnUpdateMac();
        auto messages = ui.Messages();
        if (messages == std::vector<std::string>{"更新成功"}) continue;
        if (!messages.empty() && messages[0].rfind("制造日志", 0) == 0) return 3; // the journal itself failed
        console.OnIncrementMac();
        console.SaveMacSetting();
    }
    return 0;
}
