#include "device/picture_operation.h"

#include "device/command_connection.h"
#include "device/member_senders.h"
#include "image/logo_package_builder.h"
#include "platform/work_folder.h"
#include "protocol/file_size.h"
#include "protocol/picture_update.h"

#include <algorithm>
#include <cstdio>
#include <memory>

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

const BilingualText kNoImage{"没有可发送的图片文件", "no logo image was built: nothing was sent"};

} // namespace

Outcome UpdatePicture(const UnitSession& session, const std::vector<std::string>& picturePaths) {
    StepReport report(session);
    if (WorkFolderPath().empty()) {
        report.Fail(FailureKind::LocalFile,
                    {"无法创建工作文件夹,图片未更新", "Cannot create the work folder; the picture was not updated!"});
        return report.Finish();
    }
    const std::string image = WorkFilePath(session.workFolder, "logo.cramfs");
    // Whatever an earlier attempt left behind must not stand in for this build.
    std::remove(image.c_str());
    const int count = std::min(static_cast<int>(picturePaths.size()), kMaxLogoPictures);
    std::string kindText = WorkFilePath(session.workFolder, "temp_logo.bin");
    BilingualText failure;
    const int layout = session.flashLayout != nullptr ? session.flashLayout->load() : 0;
    if (BuildFlashImage(count, picturePaths.data(), kindText, failure, layout, session.workFolder) !=
        kBuildFlashImageOk) {
        std::remove(image.c_str());
        report.Fail(FailureKind::LocalFile, failure);
        return report.Finish();
    }
    return SendLogoImage(session);
}

Outcome SendLogoImage(const UnitSession& session) {
    StepReport report(session);
    std::vector<std::uint8_t> image;
    switch (TakeLogoImage(WorkFilePath(session.workFolder, "logo.cramfs"), image)) {
    case ImageTaken::Missing:
        report.FailQuietly(FailureKind::LocalFile, kNoImage);
        return report.Finish();
    case ImageTaken::TooBig:
        report.Fail(FailureKind::LocalFile,
                    {"文件太大,请选择其它文件", "The Picture is too big,please select other file"});
        return report.Finish();
    case ImageTaken::Read:
        break;
    }

    CommandConnection connection(session, report);
    if (!connection.Open("连接失败4")) return report.Finish();
    const auto attributes = MakeFileAttributes(kLogoImageType, static_cast<std::uint32_t>(image.size()));
    if (!connection.Send(CommandBlock(CmdReadyUpgrade)) ||
        !connection.Send(attributes.data(), attributes.size(), Deadline::After(connection.Wait()))) {
        report.Fail(FailureKind::Send, {"发送数据失败", "Send data error"});
        return report.Finish();
    }
    // A device that went away mid-transfer has been told of by the send itself;
    // it must not be followed by a report of success.
    const bool sent = SendFile(connection, report, image.data(), image.size(), Deadline::After(connection.Wait()));
    StepResult delivery = sent ? connection.ConfirmDelivery() : StepResult::Failed;
    connection.Close();
    session.Observer().Progress(0);
    if (!sent) return report.Finish();
    if (delivery == StepResult::Failed) {
        report.Fail(FailureKind::ConnectionReset, {"发送数据失败", "Send data error"});
        return report.Finish();
    }
    if (delivery == StepResult::Unconfirmed) report.Unconfirmed(DeliveryUnknownReason());
    report.Say({"更新图片完成", "Update Picture Complete"});
    return report.Finish();
}

} // namespace tarnwell
