// The picture update: the selected bitmaps become a logo image, which goes to
// the device behind a 0xC7 block and its attributes. The device sends no answer.
#include "protocol/picture_update.h"

#include "app/operator_console.h"
#include "image/logo_package_builder.h"
#include "platform/tcp_socket.h"
#include "platform/work_folder.h"
#include "protocol/command_block.h"
#include "protocol/file_size.h"

#include <algorithm>
#include <cstdio>
#include <memory>
#include <vector>

namespace tarnwell {

namespace {

enum class ImageTaken { Missing, TooBig, Read };

struct CloseFile {
    void operator()(std::FILE* file) const { std::fclose(file); }
};

// Reads the image into memory and deletes the file, whatever the outcome, so
// an image is sent at most once and never by a later attempt whose build failed.
ImageTaken TakeLogoImage(const std::string& path, std::vector<std::uint8_t>& image) {
    std::unique_ptr<std::FILE, CloseFile> file(std::fopen(path.c_str(), "rb"));
    if (!file) return ImageTaken::Missing;
    const std::uint64_t size = FileSizeOf(path);
    ImageTaken outcome = ImageTaken::Read;
    if (size == 0) {
        outcome = ImageTaken::Missing;
    } else if (size > kMaxLogoImageSize) {
        outcome = ImageTaken::TooBig;
    } else {
        image.resize(static_cast<std::size_t>(size));
        if (std::fread(image.data(), 1, image.size(), file.get()) != image.size()) outcome = ImageTaken::Missing;
    }
    file.reset();
    std::remove(path.c_str());
    return outcome;
}

} // namespace

int OperatorConsole::UpdatePicture() {
    PullFields();
    if (ui_.ControlText(IdPicturePathEdit).empty() || pictureFileCount <= 0) return 0;
    ReadDeviceAddress();
    const int count = std::min(pictureFileCount, kMaxLogoPictures);
    if (WorkFolderPath().empty()) {
        ShowBilingualMessage("无法创建工作文件夹,图片未更新", "Cannot create the work folder; the picture was not updated!");
        return 0;
    }

    // Whatever an earlier attempt left behind must not stand in for this build.
    std::remove(WorkFile("logo.cramfs").c_str());
    std::string kindText = WorkFile("temp_logo.bin");
    BilingualText failure;
    if (BuildFlashImage(count, &updateFilePaths[kPictureSlotBase], kindText, failure, FlashLayoutFlag.load(),
                        workFolder) != kBuildFlashImageOk) {
        std::remove(WorkFile("logo.cramfs").c_str());
        ShowBilingualMessage(failure);
        return 0;
    }
    return SendLogoImage();
}

int OperatorConsole::SendLogoImage() {
    std::vector<std::uint8_t> image;
    switch (TakeLogoImage(WorkFile("logo.cramfs"), image)) {
    case ImageTaken::Missing:
        return 0;
    case ImageTaken::TooBig:
        ShowBilingualMessage("文件太大,请选择其它文件", "The Picture is too big,please select other file");
        return 0;
    case ImageTaken::Read:
        break;
    }

    TcpSocket connection;
    if (OpenCommandChannel(connection, deviceAddressText, "连接失败4") != ConnectOutcome::Connected) return 0;
    const CommandBlock block(CmdReadyUpgrade);
    const auto attributes = MakeFileAttributes(kLogoImageType, static_cast<std::uint32_t>(image.size()));
    if (!connection.SendAll(block.Bytes().data(), block.Bytes().size()) ||
        !connection.SendAll(attributes.data(), attributes.size())) {
        ShowBilingualMessage("发送数据失败", "Send data error");
        return 0;
    }
    // A device that went away mid-transfer has been told of by the send itself;
    // it must not be followed by a report of success.
    const bool sent = SendFile(connection, image.data(), image.size());
    connection.Close();
    ui_.SetProgress(0);
    if (!sent) return 0;
    ShowBilingualMessage("更新图片完成", "Update Picture Complete");
    return 1;
}

} // namespace tarnwell
