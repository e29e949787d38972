#pragma once
// What a simulated device should hold after a firmware upgrade, and the check
// that it holds exactly that: the install description on the 0xD8 exchange
// (attributes, then its bytes) and every further member, in order, on a 0xC7
// exchange of its own.
#include "sim/simulated_device.h"

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace tarnwell::sim {

struct FirmwareExpectation {
    std::vector<uint8_t> installDescription;
    std::vector<std::vector<uint8_t>> members; // the members after the install description
};

// Read from a package through its member table; nothing when the package is
// refused or a member cannot be read.
std::optional<FirmwareExpectation> ExpectFirmwareFromPackage(const std::string& packagePath);

// The device takes firmware members of exactly these sizes, answering the
// 0xC7 command before each member's data.
void ConfigureForFirmware(DeviceProfile& profile, const FirmwareExpectation& expected);

// Empty when the device received exactly the expected firmware; otherwise a
// line saying what differs first.
std::string DescribeFirmwareMismatch(const SimulatedDevice& device, const FirmwareExpectation& expected);

} // namespace tarnwell::sim
