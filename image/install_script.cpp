#include "image/install_script.h"

#include "embedded_resources.h"
#include "platform/work_folder.h"

#include <cstdio>
#include <string_view>

namespace tarnwell {

namespace {

constexpr std::string_view kPartitionsMarker = "@FLASH_PARTITIONS@";

// Calls `take` for each line of `text`, without its line break.
template <typename Take>
void ForEachLine(std::string_view text, Take take) {
    while (!text.empty()) {
        std::size_t end = text.find('\n');
        std::string_view line = text.substr(0, end);
        if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
        take(line);
        text = end == std::string_view::npos ? std::string_view{} : text.substr(end + 1);
    }
}

std::string ComposeScript(std::string_view partitions) {
    std::string script;
    auto append = [&script](std::string_view line) {
        script += line;
        script += ' ';
    };
    ForEachLine(kResource_install_script_lua, [&](std::string_view line) {
        if (line == kPartitionsMarker)
            ForEachLine(partitions, append);
        else
            append(line);
    });
    return script;
}

} // namespace

const std::string& InstallScriptText(int flashLayoutFlag) {
    static const std::string layoutA = ComposeScript(kResource_install_partitions_layout_a_lua);
    static const std::string layoutB = ComposeScript(kResource_install_partitions_layout_b_lua);
    return flashLayoutFlag == 0 ? layoutA : layoutB;
}

int WriteInstallScript(std::string& out, int flashLayoutFlag, const std::string& workFolder) {
    out.clear();
    const std::string path = WorkFilePath(workFolder, "Install.lua");
    std::FILE* file = std::fopen(path.c_str(), "w+");
    if (file == nullptr) {
        std::printf("fopen %s fail\n", path.c_str());
        return -1;
    }
    const std::string& script = InstallScriptText(flashLayoutFlag);
    const bool written = std::fwrite(script.data(), 1, script.size(), file) == script.size();
    // A script cut short by a full disk is not a script.
    if (std::fclose(file) != 0 || !written) {
        std::printf("write %s fail\n", path.c_str());
        std::remove(path.c_str());
        return -1;
    }
    out = path;
    return 0;
}

} // namespace tarnwell
