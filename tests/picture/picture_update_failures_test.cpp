#include "picture_fixture.h"

#include "image/logo_package_builder.h"
#include "protocol/picture_update.h"
#include "platform/environment.h"
#include "platform/work_folder.h"

#include <chrono>
#include <thread>

using namespace tarnwell;
using namespace tarnwell::test;

namespace {

class PictureUpdateFailures : public PictureFixture {
protected:
    // The image of one picture of random bytes: a 12-byte name and a block
    // table behind the superblock, then each 4096-byte block stored by zlib
    // with 11 bytes of its own; the total is rounded up to whole 4096s.
    // 31 full blocks and a last one of 3516 bytes end exactly on 131072; one
    // byte more gives the next possible size, 135168.
    static constexpr size_t kLargestFittingInput = 31 * 4096 + 3516;

    // Builds the image as the update will, to learn its size.
    uint64_t ImageSizeFor(const std::string& path) {
        std::string kind = work.File("temp_logo.bin");
        BilingualText failure;
        EXPECT_EQ(BuildFlashImage(1, &path, kind, failure, 0), kBuildFlashImageOk) << failure.english;
        const uint64_t size = std::filesystem::file_size(work.File("logo.cramfs"));
        std::filesystem::remove(work.File("logo.cramfs"));
        return size;
    }
};

// Calls back at each move of the progress bar, on the sending thread.
class ProgressHookUi : public FakeConsoleUi {
public:
    std::function<void(int)> onProgress;
    void SetProgress(int position) override {
        if (onProgress) onProgress(position);
        FakeConsoleUi::SetProgress(position);
    }
};

} // namespace

TEST_F(PictureUpdateFailures, ImageOfExactlyTheLimitIsSentAndTheNextSizeUpIsRefused) {
    UseDevice();
    const std::string fits = WritePicture("bmp_logo.bmp", Incompressible(kLargestFittingInput));
    const std::string over = WritePicture("bmp_logo_8ch.bmp", Incompressible(kLargestFittingInput + 1));
    ASSERT_EQ(ImageSizeFor(fits), kMaxLogoImageSize);
    ASSERT_EQ(ImageSizeFor(over), kMaxLogoImageSize + 4096);

    Select({fits});
    EXPECT_EQ(console.UpdatePicture(), 1);
    const sim::LogoImageCheck check = Received();
    ASSERT_TRUE(check.valid) << check.error;
    EXPECT_EQ(check.announcedSize, kMaxLogoImageSize);
    EXPECT_EQ(check.files.at(0).contents, Incompressible(kLargestFittingInput));

    ui.ClearRecords();
    Select({over});
    EXPECT_EQ(console.UpdatePicture(), 0);
    EXPECT_EQ(ui.Messages(), std::vector<std::string>{"文件太大,请选择其它文件"});
    EXPECT_EQ(device->ConnectionCount(), 1);
    EXPECT_FALSE(ImageLeftOnDisk());
}

TEST_F(PictureUpdateFailures, RefusedConnectionIsReportedAndTheImageNotKept) {
    PointAt(UnusedLoopbackAddress());
    Select({WritePicture("bmp_logo.bmp", Bitmap(16, 16))});
    EXPECT_EQ(console.UpdatePicture(), 0);
    EXPECT_EQ(ui.Messages(), std::vector<std::string>{"连接失败4"});
    EXPECT_FALSE(ImageLeftOnDisk());
}

TEST_F(PictureUpdateFailures, DeviceResettingMidTransferIsNotReportedAsComplete) {
    sim::DeviceProfile profile;
    profile.readyMode = sim::ReadyMode::Picture;
    UseDevice(profile);
    // The device takes the attributes and the first chunk, then resets.
    device->AddFault({sim::FaultKind::Reset, 0, CmdReadyUpgrade, 8 + 1500});

    // Socket buffers would swallow the whole image before the reset arrives,
    // so the sender waits after its first chunk until the device has reset.
    ProgressHookUi hookedUi;
    OperatorConsole hooked(hookedUi);
    hookedUi.SetAddress(device->Address());
    bool paused = false;
    hookedUi.onProgress = [&](int position) {
        if (paused || position == 0 || position == 100) return;
        paused = true;
        EXPECT_TRUE(device->WaitUntilIdle());
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
    };
    const std::string path = WritePicture("bmp_logo.bmp", Incompressible(20000));
    hooked.updateFilePaths[kPictureSlotBase] = path;
    hooked.pictureFileCount = 1;
    hookedUi.texts[IdPicturePathEdit] = path;

    EXPECT_EQ(hooked.UpdatePicture(), 0);
    EXPECT_EQ(hookedUi.Messages(), std::vector<std::string>{"发送数据失败!"});
    EXPECT_EQ(hookedUi.ProgressPositions().back(), 0);
    const sim::LogoImageCheck check = sim::CheckLastLogoImage(device->Exchanges());
    EXPECT_TRUE(check.found);
    EXPECT_FALSE(check.complete);
    EXPECT_FALSE(ImageLeftOnDisk());
}

TEST_F(PictureUpdateFailures, NoWorkFolderStopsTheUpdateAndNothingLandsInTheCurrentDirectory) {
    UseDevice();
    Select({WritePicture("logo.bmp", Bitmap(16, 8))});
    // The work folder's parent is a plain file, so the folder cannot be made.
    TempDir blocked;
    WriteFileBytes(blocked.File("Tarnwell"), "in the way");
    const std::string previous = EnvironmentVariable(kWorkFolderBaseVariable).value_or("");
    SetEnvironmentVariable(kWorkFolderBaseVariable, blocked.Path().string());
    TempDir current;
    const auto savedDirectory = std::filesystem::current_path();
    std::filesystem::current_path(current.Path());

    EXPECT_EQ(console.UpdatePicture(), 0);

    std::filesystem::current_path(savedDirectory);
    SetEnvironmentVariable(kWorkFolderBaseVariable, previous);
    EXPECT_EQ(ui.Messages(), std::vector<std::string>{"无法创建工作文件夹,图片未更新"});
    EXPECT_TRUE(std::filesystem::is_empty(current.Path()));
    EXPECT_TRUE(device->WaitUntilIdle());
    EXPECT_EQ(device->ConnectionCount(), 0);
}
