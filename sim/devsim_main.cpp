// tarnwell-devsim: simulated devices on loopback for trying the console, line
// set-ups and packages without hardware. Runs until interrupted.
#include "platform/stop_request.h"
#include "sim/devsim_options.h"
#include "sim/discovery_responder.h"
#include "sim/simulated_device.h"
#include "sim/web_cgi_server.h"

#include <cstdio>
#include <fstream>
#include <memory>
#include <mutex>

using namespace tarnwell::sim;

int main(int argc, char** argv) {
    // Caught before any device starts, so an early Ctrl-C still stops them in order.
    tarnwell::CatchStopRequests(tarnwell::StopSources::InterruptAndTerminate);

    for (int i = 1; i < argc; ++i) {
        if (std::string(argv[i]) == "--help") {
            std::fputs(kDevsimUsage, stdout);
            return 0;
        }
    }
    std::string error;
    auto options = ParseDevsimOptions(argc, argv, error);
    if (!options) {
        std::fprintf(stderr, "tarnwell-devsim: %s\n(tarnwell-devsim --help lists the options)\n", error.c_str());
        return 2;
    }
    std::mutex logLock;
    std::ofstream logFile;
    if (!options->logPath.empty()) {
        logFile.open(options->logPath, std::ios::app);
        if (!logFile) {
            std::fprintf(stderr, "tarnwell-devsim: cannot write %s\n", options->logPath.c_str());
            return 1;
        }
    }
    auto log = [&](const std::string& line) {
        std::lock_guard lock(logLock);
        if (logFile.is_open()) logFile << line << '\n' << std::flush;
        else std::printf("%s\n", line.c_str()), std::fflush(stdout);
    };

    std::vector<std::unique_ptr<SimulatedDevice>> devices;
    std::vector<std::unique_ptr<WebCgiServer>> webServers;
    std::vector<DiscoverableDevice> discoverable;
    for (int i = 0; i < options->count; ++i) {
        DeviceProfile profile = options->profile;
        profile.address = NthAddress(options->firstAddress, i);
        auto device = std::make_unique<SimulatedDevice>(profile);
        device->SetLogSink(log, options->logFormat);
        if (!device->Start()) {
            std::fprintf(stderr, "tarnwell-devsim: cannot listen on %s:%u\n", profile.address.c_str(), profile.port);
            return 1;
        }
        for (const Fault& fault : options->faults) device->AddFault(fault);
        if (options->webPort != 0) {
            auto web = std::make_unique<WebCgiServer>();
            web->SetScript(options->webReply);
            if (!web->Start(profile.address, static_cast<uint16_t>(options->webPort))) {
                std::fprintf(stderr, "tarnwell-devsim: cannot serve the web CGI on %s:%d (choose another with --web-port)\n",
                             profile.address.c_str(), options->webPort);
                return 1;
            }
            webServers.push_back(std::move(web));
        }
        char mac[18];
        std::snprintf(mac, sizeof mac, "02:00:00:00:%02X:%02X", (i >> 8) & 0xFF, i & 0xFF);
        DiscoverableDevice found;
        found.address = profile.address;
        found.webPort = options->webPort;
        found.dataPort = profile.port;
        found.gateway = "127.0.0.1";
        found.mac = mac;
        found.deviceType = "SIM-CAM";
        discoverable.push_back(found);
        devices.push_back(std::move(device));
    }
    DiscoveryResponder responder;
    if (options->discovery && !responder.Start(discoverable))
        std::fprintf(stderr, "tarnwell-devsim: device search answers are off (cannot bind the discovery port)\n");

    std::fprintf(stderr, "tarnwell-devsim: %d device(s) from %s, command port %u%s\n", options->count,
                 options->firstAddress.c_str(), options->profile.port,
                 options->webPort ? (", web port " + std::to_string(options->webPort)).c_str() : "");
    tarnwell::WaitForStopRequest();
    responder.Stop();
    for (auto& device : devices) device->Stop();
    for (auto& web : webServers) web->Stop();
    return 0;
}
