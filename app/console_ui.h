#pragma once
// What the console's operations need from the window: message and question
// boxes, the controls that are read directly, the progress bar and status
// line, file and folder pickers. The Qt dialog implements it; tests fake it.
// Every call may come from the firmware worker as well as from the UI thread.
#include "text/bilingual_text.h"
#include "app/console_fields.h"

#include <array>
#include <optional>
#include <string>
#include <vector>

namespace tarnwell {

// Control ids of dialog 102 that the operations touch.
enum ConsoleControl : int {
    IdUpdateAll = 1,
    IdCheckFirmware = 1000,
    IdCheckPicture = 1001,
    IdCheckLanguage = 1003,
    IdCheckMac = 1004,
    IdCheckVideoStandard = 1005,
    IdCheckTime = 1006,
    IdBiosPathEdit = 1007,
    IdPicturePathEdit = 1008,
    IdMacEdit = 1011,
    IdVideoStandardCombo = 1012,
    IdBrowseFirmware = 1014,
    IdBrowsePicture = 1015,
    IdBrowseCaptureFolder = 1016,
    IdBrowseUnused = 1017,
    IdIncrementMac = 1018,
    IdUpdateBios = 1019,
    IdUpdatePicture = 1020,
    IdUpdateLanguage = 1022,
    IdUpdateMac = 1023,
    IdUpdateVideoStandard = 1024,
    IdUpdateTime = 1025,
    IdAddress = 1026,
    IdDatePicker = 1032,
    IdTimePicker = 1033,
    IdProgressBar = 1034,
    IdStatusLine = 1035,
    IdAutoAdd = 1036,
    IdLanguageCombo = 1037,
    IdTestLink = 1038,
    IdSearch = 1039,
    IdCapture = 1042,
    IdCaptureFolderEdit = 1043,
    IdSerialEdit = 1046,
    IdSetSerial = 1047,
    IdWebPortEdit = 1049,
};

// The four byte fields of the address control; a blank field reads as 0.
using AddressOctets = std::array<int, 4>;

struct OpenFileRequest {
    std::string filter;    // "Description|patterns|...||"
    bool multiple = false; // several files may be chosen
};

class ConsoleUi {
public:
    virtual ~ConsoleUi() = default;

    // OK-only box, no icon, the application's name as caption.
    virtual void ShowMessage(const std::string& text) = 0;
    // Every operator message arrives here with both its texts; a window shows
    // the one UiLanguage chooses, a headless front end may keep both.
    virtual void ShowBilingualMessage(const BilingualText& text) { ShowMessage(text.Chosen()); }
    // OK-only box, no icon, with a caption of its own.
    virtual void ShowCaptionedMessage(const std::string& caption, const std::string& text) = 0;
    // Yes/No box with the question icon; true for Yes.
    virtual bool AskYesNo(const std::string& text) = 0;

    // Dialog data exchange over the bound fields.
    virtual void PullFields(ConsoleBoundFields& fields) = 0;
    virtual void PushFields(const ConsoleBoundFields& fields) = 0;

    virtual AddressOctets ReadAddressControl() = 0;
    virtual std::string AddressControlText() = 0;              // "" when blank
    virtual void SetAddressControlText(const std::string& text) = 0;
    virtual bool IsChecked(int controlId) = 0;
    virtual std::string ControlText(int controlId) = 0;
    virtual void SetControlText(int controlId, const std::string& text) = 0;
    virtual void EnableControl(int controlId, bool enabled) = 0;
    virtual int LanguageSelection() = 0;        // -1 when nothing is selected
    virtual std::string LanguageText() = 0;     // the combo's current text
    virtual int VideoStandardSelection() = 0;   // -1 when nothing is selected

    virtual void SetProgress(int position) = 0; // 0..100
    virtual void SetStatusLine(const std::string& text) = 0;

    // The chosen paths; empty when the operator cancelled.
    virtual std::vector<std::string> ChooseOpenFiles(const OpenFileRequest& request) = 0;
    // The chosen folder's path; nothing when cancelled.
    virtual std::optional<std::string> ChooseFolder(const std::string& title) = 0;
    // Hands a file to the desktop's default viewer.
    virtual void OpenWithDesktop(const std::string& path) = 0;
};

} // namespace tarnwell
