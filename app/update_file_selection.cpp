// The Browse buttons of the firmware and picture rows, and the check each
// chosen file passes before the console keeps it.
#include "app/operator_console.h"
#include "app/ui_translator.h"
#include "app/update_file_check.h"
#include "platform/read_only_file.h"

#include <algorithm>
#include <functional>

namespace tarnwell {

namespace {

const OpenFileRequest kFirmwareDialog{
    "Upgrade File(*.lua; *.txt;*.bin;*.tar)|*.lua; *.txt;*.bin;*.tar|All Files|*.*||", false};
const OpenFileRequest kPictureDialog{
    "Upgrade File(*.lua; *.txt;*.bin;*.hzk;*.bmp;*.exe;*.mi; *.cab; *.htm; *.jpg)|"
    "*.lua; *.txt;*.bin;*.hzk;*.bmp;*.exe;*.mi; *.cab; *.htm; *.jpg|All Files|*.*||",
    true};

const BilingualText kFirmwareRefused{"该文件不能用来升级bios", "The File can not uses to update the application"};
const BilingualText kPictureRefused{"文件不能用于升级图片(必须是bmp类型并且是8bit)",
                                    "The File can not uses to update the Picture (must be bmp type and 8bit attribute)"};

std::string OpenFailureText(const std::string& action, const std::string& path, const std::string& outcome) {
    const UiTranslator& translator = UiTranslator::Instance();
    return translator.TranslateText(action) + " " + translator.TranslateText(path) + " ," +
           translator.TranslateText(outcome);
}

} // namespace

int OperatorConsole::ValidateUpdateFile(const std::string& path, int kind) {
    PullFields();
    ReadOnlyFile file;
    if (!file.Open(path)) {
        ShowBilingualMessage(OpenFailureText("打开文件", path, "失败"), OpenFailureText("Open file", path, "failed"));
        return 0;
    }
    uint8_t head[kUpdateFileHeadLength] = {};
    const size_t length = file.ReadAt(0, head, sizeof head);
    return AcceptsUpdateFileHead(kind, head, length);
}

namespace {

struct FileGroup {
    int kind;
    const OpenFileRequest& dialog;
    int slotBase;
    const BilingualText& refused;
};

// Shared by both Browse buttons: the chosen files go into the group's slots
// as long as they pass; the selection ends at the first refusal, so the
// count and the slots only ever hold files that passed.
void BrowseUpdateFiles(OperatorConsole& console, const FileGroup& group, int& fileCount,
                       const std::function<void(const std::string&)>& showPath) {
    console.PullFields();
    if (console.busyWorker.load()) return;
    std::vector<std::string> chosen = console.Ui().ChooseOpenFiles(group.dialog);
    if (chosen.empty()) return;
    if (chosen.size() > static_cast<size_t>(kSlotsPerGroup)) chosen.resize(kSlotsPerGroup);

    auto slots = console.updateFilePaths.begin() + group.slotBase;
    std::fill(slots, slots + kSlotsPerGroup, std::string());
    fileCount = static_cast<int>(chosen.size());
    for (size_t i = 0; i < chosen.size(); ++i) {
        slots[static_cast<long>(i)] = chosen[i];
        if (console.ValidateUpdateFile(chosen[i], group.kind) == 0) {
            console.ShowBilingualMessage(group.refused);
            slots[static_cast<long>(i)].clear();
            fileCount = static_cast<int>(i);
            // The edit shows what would be sent: the last file that passed, or nothing.
            showPath(i == 0 ? std::string() : chosen[i - 1]);
            return;
        }
        showPath(chosen[i]);
    }
}

} // namespace

void OperatorConsole::OnBrowseFirmware() {
    BrowseUpdateFiles(*this, {UpdateFileFirmware, kFirmwareDialog, kFirmwareSlotBase, kFirmwareRefused},
                      firmwareFileCount, [this](const std::string& path) {
                          // Edit 1007 is bound to the field: set it and push.
                          biosFilePath = path;
                          PushFields();
                      });
}

void OperatorConsole::OnBrowsePicture() {
    BrowseUpdateFiles(*this, {UpdateFilePicture, kPictureDialog, kPictureSlotBase, kPictureRefused},
                      pictureFileCount,
                      [this](const std::string& path) { ui_.SetControlText(IdPicturePathEdit, path); });
}

} // namespace tarnwell
