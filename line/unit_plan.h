#pragma once
// What the line runner does: the steps of the job (the same for every unit)
// and what each unit gets of its own (address, web port, MAC, serial).
#include <optional>
#include <string>
#include <vector>

namespace tarnwell::line {

// In the order a unit runs them: the wait for a unit still booting
// (--wait-online), the console's Update All order, the serial (over the web
// CGI) before the firmware, whose upgrade ends with a reboot; then the reboot
// that --reboot asks for when no firmware is sent.
enum class Step { Online, Language, Mac, VideoStandard, Time, Serial, Firmware, Reboot };

// "online", "language", "mac", "video", "time", "serial", "firmware", "reboot".
const char* StepName(Step step);

struct JobSteps {
    std::optional<std::string> firmwarePackage;
    std::optional<int> language;      // position in the console's language list
    std::optional<int> videoStandard; // 0 PAL, 1 NTSC
    bool time = false;
    bool mac = false;
    bool serial = false;
    bool reboot = false;
    bool online = false; // wait for the unit to take a connection first

    std::vector<Step> InOrder() const;
};

struct UnitPlan {
    std::string address;
    int webPort = 80;
    std::string mac;    // when the job sets MAC addresses
    std::string serial; // when the job sets serials
};

} // namespace tarnwell::line
