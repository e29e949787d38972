#include "line/unit_search.h"

#include "net/device_search_run.h"
#include "net/network_adapter_enumerator.h"
#include "web/serial_setting.h"

namespace tarnwell::line {

namespace {

// Loopback serves without an adapter: Windows never lists one for it.
constexpr char kLoopbackAddress[] = "127.0.0.1";

} // namespace

bool SearchAdapter(const std::string& adapter, const std::string& libraryPath, std::vector<FoundUnit>& found,
                   std::string& error) {
    std::vector<AdapterRow> rows;
    NetworkAdapterEnumerator().ListAdapters(rows);
    std::string localAddress;
    for (const AdapterRow& row : rows)
        if (row.description == adapter || row.address == adapter) localAddress = row.address;
    if (localAddress.empty() && adapter == kLoopbackAddress) localAddress = kLoopbackAddress;
    if (localAddress.empty()) {
        error = "no local adapter named " + adapter;
        return false;
    }
    DeviceSearchLibrary library(libraryPath);
    if (!library.IsLoaded()) {
        error = "cannot load the device-search library " + libraryPath;
        return false;
    }
    library.Open(0, nullptr);
    SearchResult result = RunDeviceSearch(library, localAddress);
    library.Close();
    if (result.outcome == SearchOutcome::kSearchFailed) {
        error = std::string("device search on ") + adapter + ": " + SearchOutcomeMessage(result.outcome);
        return false;
    }
    for (const DeviceSearchRow& row : result.rows) {
        const int port = WebPortFromText(row.webPort);
        found.push_back({row.address, port > 0 ? port : 80});
    }
    return true;
}

} // namespace tarnwell::line
