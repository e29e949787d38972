// A search on loopback with 50 simulated devices: how many are found, how long
// the search goes on after the last answer arrived, and the whole search time.
#include "net/device_search_library.h"
#include "net/device_search_run.h"
#include "sdk/device_search_protocol.h"
#include "sim/discovery_responder.h"

#include <benchmark/benchmark.h>
#include <algorithm>
#include <chrono>
#include <cstdlib>
#include <string>

namespace {

using Clock = std::chrono::steady_clock;

std::vector<tarnwell::sim::DiscoverableDevice> Devices(int count) {
    std::vector<tarnwell::sim::DiscoverableDevice> devices;
    for (int i = 0; i < count; ++i) {
        tarnwell::sim::DiscoverableDevice device;
        device.address = "127.0.2." + std::to_string(10 + i);
        device.mac = "02:00:00:00:02:" + std::to_string(10 + i);
        device.deviceType = "IPC";
        device.gateway = "127.0.0.1";
        devices.push_back(device);
    }
    return devices;
}

void BM_SearchFiftyDevices(benchmark::State& state) {
    tarnwell::sim::DiscoveryResponder responder;
    if (!responder.Start(Devices(50), 0)) {
        state.SkipWithError("responder did not start");
        return;
    }
    ::setenv(tarnwell::devsearch::kPortVariable, std::to_string(responder.Port()).c_str(), 1);
    tarnwell::DeviceSearchLibrary library(tarnwell::DefaultDeviceSearchLibraryPath());
    if (!library.IsLoaded()) {
        state.SkipWithError("libtarnwell_devsearch.so not beside the program");
        return;
    }
    size_t found = 0;
    double afterLastMs = 0, totalMs = 0, worstAfterLastMs = 0;
    for (auto _ : state) {
        size_t before = responder.ProbesAnswered();
        auto start = Clock::now();
        tarnwell::SearchResult result = tarnwell::RunDeviceSearch(library, "127.0.0.1");
        auto end = Clock::now();
        found = result.rows.size();
        double total = std::chrono::duration<double, std::milli>(end - start).count();
        totalMs += total;
        if (responder.ProbesAnswered() == before) state.SkipWithError("probe not answered");
        double afterLast = std::chrono::duration<double, std::milli>(end - responder.LastAnswerSent()).count();
        afterLastMs += afterLast;
        worstAfterLastMs = std::max(worstAfterLastMs, afterLast);
    }
    double runs = static_cast<double>(state.iterations());
    state.counters["found"] = static_cast<double>(found);
    state.counters["after_last_answer_ms"] = afterLastMs / runs;
    state.counters["worst_after_last_answer_ms"] = worstAfterLastMs;
    state.counters["total_ms"] = totalMs / runs;
    if (found != 50 || worstAfterLastMs > 1000) state.SkipWithError("missed devices or returned late");
    ::unsetenv(tarnwell::devsearch::kPortVariable);
}
BENCHMARK(BM_SearchFiftyDevices)->Unit(benchmark::kMillisecond)->Iterations(10);

} // namespace

BENCHMARK_MAIN();
