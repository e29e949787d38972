#pragma once
// The line runner run in-process against simulated devices on loopback, its
// two output streams caught in temporary files.
#include "journal/journal.h"
#include "line/line_command.h"
#include "line/line_program.h"
#include "sim/firmware_expectation.h"
#include "sim/web_cgi_server.h"
#include "support/loopback_device.h"
#include "support/platform_limits.h"
#include "support/temp_dir.h"
#include "support/ustar_writer.h"

#include <gtest/gtest.h>
#include <nlohmann/json.hpp>

#include <cstdio>
#include <memory>
#include <sstream>

namespace tarnwell::test {

struct LineRun {
    int exitStatus = -1;
    std::string out;
    std::string err;

    std::vector<nlohmann::json> JsonLines() const {
        std::vector<nlohmann::json> lines;
        std::istringstream stream(out);
        for (std::string line; std::getline(stream, line);) lines.push_back(nlohmann::json::parse(line));
        return lines;
    }
};

class LineFixture : public ::testing::Test {
protected:
    LineFixture() {
        settings.units.pauses = {std::chrono::milliseconds(0), std::chrono::milliseconds(0)};
        settings.units.channelLimits.connect = std::chrono::milliseconds(2000);
        settings.units.channelLimits.reply = std::chrono::milliseconds(3000);
        settings.units.httpLimits = {Milliseconds{2000}, Milliseconds{2000}, Milliseconds{2000}};
        settings.units.workRoot = work.File("units");
        settings.units.journal.location = work.File("journal.sqlite3");
        settings.units.journal.stationMemory = work.File("stations.json");
    }
    void SetUp() override {
        if (const PlatformLimit limit = NoJournalDatabases()) GTEST_SKIP() << limit.reason;
        CreateJournal(settings.units.journal.location);
    }

    // `count` devices, each with a web CGI on one shared port (their addresses differ).
    void StartDevices(size_t count, sim::DeviceProfile profile = {}) {
        for (size_t i = 0; i < count; ++i) {
            devices.push_back(StartDevice(profile));
            webs.push_back(std::make_unique<sim::WebCgiServer>());
            ASSERT_TRUE(webs.back()->Start(devices.back()->Address(), webPort));
            webPort = webs.back()->Port();
        }
    }
    std::vector<std::string> Addresses() const {
        std::vector<std::string> addresses;
        for (const auto& device : devices) addresses.push_back(device->Address());
        return addresses;
    }
    // A package of the install description and `sizes` members of patterned bytes.
    std::string Package(const std::vector<size_t>& sizes) {
        std::vector<UstarMember> members{{"Install.xml", "<install/>\n"}};
        const char* names[] = {"romfs-x.cramfs.img", "user-x.cramfs.img", "web-x.cramfs.img"};
        for (size_t i = 0; i < sizes.size(); ++i) {
            std::string data(sizes[i], '\0');
            for (size_t b = 0; b < data.size(); ++b) data[b] = static_cast<char>((b * 7 + i) & 0xFF);
            members.emplace_back(names[i], data);
        }
        const std::string path = work.File("pkg.tar");
        WriteFileBytes(path, MakeUstarArchive(members));
        return path;
    }

    // `count` devices that take the package of `sizes` (see Package); its path.
    std::string StartFirmwareDevices(size_t count, const std::vector<size_t>& sizes) {
        const std::string package = Package(sizes);
        auto expected = sim::ExpectFirmwareFromPackage(package);
        EXPECT_TRUE(expected);
        if (!expected) return package;
        sim::DeviceProfile profile;
        sim::ConfigureForFirmware(profile, *expected);
        StartDevices(count, profile);
        return package;
    }

    LineRun Run(std::vector<std::string> arguments) {
        std::unique_ptr<std::FILE, int (*)(std::FILE*)> out(std::tmpfile(), std::fclose), err(std::tmpfile(), std::fclose);
        LineRun run;
        run.exitStatus = line::RunLineProgram(arguments, {out.get(), err.get()}, settings);
        run.out = Contents(out.get());
        run.err = Contents(err.get());
        return run;
    }

    static std::string Contents(std::FILE* file) {
        std::fflush(file);
        std::rewind(file);
        std::string text;
        char chunk[4096];
        size_t got;
        while ((got = std::fread(chunk, 1, sizeof chunk, file)) > 0) text.append(chunk, got);
        return text;
    }

    TempDir work;
    line::ProgramSettings settings;
    std::vector<std::unique_ptr<sim::SimulatedDevice>> devices;
    std::vector<std::unique_ptr<sim::WebCgiServer>> webs;
    uint16_t webPort = 0;
};

} // namespace tarnwell::test
