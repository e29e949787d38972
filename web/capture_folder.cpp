// The Browse button beside the snapshot folder.
#include "app/operator_console.h"
#include "app/ui_translator.h"
#include "web/snapshot_capture.h"

namespace tarnwell {

void OperatorConsole::OnBrowseCaptureFolder() {
    const UiTranslator& translator = UiTranslator::Instance();
    std::optional<std::string> folder = ui_.ChooseFolder(translator.TranslateText("Please Select a folder to save the file"));
    if (!folder || folder->empty()) return;
    if (IsRootFolder(*folder)) {
        ui_.ShowMessage(translator.TranslateText("You must select a folder."));
        return;
    }
    captureFolderText = *folder;
    PushFields();
}

} // namespace tarnwell
