#include "sim/firmware_expectation.h"

#include "protocol/member_data.h"
#include "protocol/package_check.h"

namespace tarnwell::sim {

namespace {

std::vector<uint8_t> InstallExchangePayload(const std::vector<uint8_t>& description) {
    auto attributes = MakeFileAttributes(0, static_cast<uint32_t>(description.size()));
    std::vector<uint8_t> payload(attributes.begin(), attributes.end());
    payload.insert(payload.end(), description.begin(), description.end());
    return payload;
}

std::string Where(const char* what, size_t index) { return std::string(what) + " " + std::to_string(index); }

} // namespace

std::optional<FirmwareExpectation> ExpectFirmwareFromPackage(const std::string& packagePath) {
    PackageTable table{};
    if (CheckUpgradePackage(packagePath, table) == 0) return std::nullopt;
    FirmwareExpectation expected;
    for (size_t i = 0; i < table.size() && table[i].present; ++i) {
        MemberBytes read;
        if (ReadMemberData(packagePath, table[i], read) != MemberRead::Complete) return std::nullopt;
        std::vector<uint8_t> data(read.data(), read.data() + read.size());
        if (i == 0)
            expected.installDescription = std::move(data);
        else
            expected.members.push_back(std::move(data));
    }
    return expected;
}

void ConfigureForFirmware(DeviceProfile& profile, const FirmwareExpectation& expected) {
    profile.readyMode = ReadyMode::Firmware;
    profile.firmwareMemberSizes.clear();
    for (const auto& member : expected.members) profile.firmwareMemberSizes.push_back(member.size());
}

std::string DescribeFirmwareMismatch(const SimulatedDevice& device, const FirmwareExpectation& expected) {
    auto first = device.ExchangesWithCode(CmdUpgradeFirstFile);
    if (first.size() != 1) return "install description exchanges: " + std::to_string(first.size()) + ", want 1";
    if (!first[0].complete) return "install description cut short";
    if (first[0].payload != InstallExchangePayload(expected.installDescription))
        return "install description differs (payload " + std::to_string(first[0].payload.size()) + " bytes)";

    auto members = device.ExchangesWithCode(CmdReadyUpgrade);
    if (members.size() != expected.members.size())
        return "member exchanges: " + std::to_string(members.size()) + ", want " +
               std::to_string(expected.members.size());
    int previousConnection = first[0].connection;
    for (size_t i = 0; i < members.size(); ++i) {
        if (members[i].connection <= previousConnection) return Where("out of order: member", i + 1);
        if (!members[i].complete) return Where("cut short: member", i + 1);
        if (members[i].payload != expected.members[i])
            return Where("differs: member", i + 1) + " (" + std::to_string(members[i].payload.size()) + " of " +
                   std::to_string(expected.members[i].size()) + " bytes)";
        previousConnection = members[i].connection;
    }
    return {};
}

} // namespace tarnwell::sim
