#include "line/unit_plan.h"

namespace tarnwell::line {

const char* StepName(Step step) {
    switch (step) {
    case Step::Online: return "online";
    case Step::Language: return "language";
    case Step::Mac: return "mac";
    case Step::VideoStandard: return "video";
    case Step::Time: return "time";
    case Step::Serial: return "serial";
    case Step::Firmware: return "firmware";
    case Step::Reboot: return "reboot";
    }
    return "?";
}

std::vector<Step> JobSteps::InOrder() const {
    std::vector<Step> order;
    if (online) order.push_back(Step::Online);
    if (language) order.push_back(Step::Language);
    if (mac) order.push_back(Step::Mac);
    if (videoStandard) order.push_back(Step::VideoStandard);
    if (time) order.push_back(Step::Time);
    if (serial) order.push_back(Step::Serial);
    if (firmwarePackage) order.push_back(Step::Firmware);
    // The upgrade restarts the device itself once it took the whole package.
    else if (reboot) order.push_back(Step::Reboot);
    return order;
}

} // namespace tarnwell::line
