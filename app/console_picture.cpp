// The console's picture update: the bitmaps chosen in the picture group.
#include "app/operator_console.h"
#include "device/picture_operation.h"
#include "protocol/picture_update.h"

#include <algorithm>

namespace tarnwell {

int OperatorConsole::UpdatePicture() {
    PullFields();
    if (ui_.ControlText(IdPicturePathEdit).empty() || pictureFileCount <= 0) return 0;
    ReadDeviceAddress();
    const int count = std::min(pictureFileCount, kMaxLogoPictures);
    const auto first = updateFilePaths.begin() + kPictureSlotBase;
    const std::vector<std::string> pictures(first, first + count);
    return Noted(tarnwell::UpdatePicture(Session(deviceAddressText), pictures)).Delivered() ? 1 : 0;
}

int OperatorConsole::SendLogoImage() {
    return Noted(tarnwell::SendLogoImage(Session(deviceAddressText))).Delivered() ? 1 : 0;
}

} // namespace tarnwell
