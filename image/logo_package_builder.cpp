#include "image/logo_package_builder.h"

#include "image/install_script.h"
#include "image/mkcramfs.h"
#include "platform/work_folder.h"

#include <algorithm>
#include <cstdio>
#include <memory>
#include <vector>

namespace tarnwell {

namespace {

struct CloseFile {
    void operator()(std::FILE* file) const { std::fclose(file); }
};

// Runs the writer with its reports captured, so the operator can be told which
// picture was at fault; the reports still reach standard error.
MkcramfsResult RunImageWriter(const std::vector<const char*>& arguments, std::string& reports) {
    std::unique_ptr<std::FILE, CloseFile> capture(std::tmpfile());
    std::FILE* err = capture ? capture.get() : stderr;
    const MkcramfsResult result = mkcramfs(static_cast<int>(arguments.size()) - 1, arguments.data(), stdout, err);
    if (capture) {
        std::rewind(capture.get());
        char chunk[512];
        std::size_t got;
        while ((got = std::fread(chunk, 1, sizeof chunk, capture.get())) > 0) reports.append(chunk, got);
        std::fwrite(reports.data(), 1, reports.size(), stderr);
    }
    return result;
}

// The writer's first report line: it names the failing input or cause.
std::string FirstLine(const std::string& text) {
    std::string line = text.substr(0, text.find('\n'));
    return line.empty() ? std::string("unknown error") : line;
}

BilingualText WriterFailureText(const MkcramfsResult& result, const std::string& reports) {
    if (result.exitStatus == 0) return {"没有选择图片", "No picture was selected"};
    const std::string detail = FirstLine(reports);
    return {"生成图片镜像失败: " + detail, "Could not build the picture image: " + detail};
}

} // namespace

std::string FlashImagePath(const std::string& kindText, const std::string& workFolder) {
    for (const char* kind : {"logo", "web", "custom"}) {
        if (kindText.find(kind) != std::string::npos) return WorkFilePath(workFolder, std::string(kind) + ".cramfs");
    }
    return {};
}

int BuildFlashImage(int fileCount, const std::string filePaths[], std::string& kindText, BilingualText& failure,
                    int flashLayoutFlag, const std::string& workFolder) {
    const std::string imagePath = FlashImagePath(kindText, workFolder);
    if (imagePath.empty()) {
        std::printf("Unknow file type!\n");
        failure = {"未知的文件类型: " + kindText, "Unknown file type: " + kindText};
        return kUnknownFileType;
    }

    std::vector<const char*> arguments{"mkcramfs", imagePath.c_str()};
    const int used = std::clamp(fileCount, 0, kMaxImageInputs);
    for (int i = 0; i < used; ++i) arguments.push_back(filePaths[i].c_str());
    arguments.push_back(nullptr);

    std::string reports;
    const MkcramfsResult result = RunImageWriter(arguments, reports);
    if (!result.imageWritten) {
        // An empty or stale image must not be mistaken for this build's.
        std::remove(imagePath.c_str());
        failure = WriterFailureText(result, reports);
        return kImageWriterFailed;
    }

    if (WriteInstallScript(kindText, flashLayoutFlag, workFolder) != 0) {
        const std::string script = WorkFilePath(workFolder, "Install.lua");
        failure = {"无法创建安装脚本 " + script, "Could not create the install script " + script};
        return kInstallScriptNotCreated;
    }
    std::remove(kindText.c_str());
    return kBuildFlashImageOk;
}

} // namespace tarnwell
