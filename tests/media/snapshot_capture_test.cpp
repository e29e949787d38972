#include "media/media_fixture.h"
#include "support/scripted_peer.h"
#include "protocol/command_block.h"
#include "web/snapshot_capture.h"

#include <filesystem>
#include <regex>
#include <unistd.h>

using namespace tarnwell;
using namespace tarnwell::test;

namespace {

std::vector<uint8_t> Picture(size_t size) {
    std::vector<uint8_t> bytes(size);
    for (size_t i = 0; i < size; ++i) bytes[i] = static_cast<uint8_t>(i * 7 + i / 256);
    return bytes;
}

std::string AsText(const std::vector<uint8_t>& bytes, size_t count) {
    return std::string(bytes.begin(), bytes.begin() + static_cast<long>(count));
}

class SnapshotCaptureTest : public MediaFixture {
protected:
    sim::SimulatedDevice& UseCamera(size_t pictureSize, sim::DeviceProfile profile = {}) {
        picture = Picture(pictureSize);
        profile.capturePicture = picture;
        ui.controls.captureFolderText = folder.Path().string();
        return UseDevice(profile);
    }
    // The one file the capture opened, checked to be named after the device and the time.
    std::string OpenedFile() {
        EXPECT_EQ(ui.openedFiles.size(), 1u);
        if (ui.openedFiles.empty()) return {};
        const std::string& path = ui.openedFiles[0];
        std::regex expected(std::regex_replace(folder.Path().string() + "/" + device->Address(),
                                               std::regex(R"([.^$|()\[\]{}*+?\\])"), R"(\$&)") +
                            R"(_\d{8}_\d{6}\.bmp)");
        EXPECT_TRUE(std::regex_match(path, expected)) << path;
        return path;
    }
    size_t FilesInFolder() {
        return static_cast<size_t>(std::distance(std::filesystem::directory_iterator(folder.Path()),
                                                 std::filesystem::directory_iterator()));
    }
    std::chrono::steady_clock::duration TimedCapture() {
        auto start = std::chrono::steady_clock::now();
        console.OnCapture();
        return std::chrono::steady_clock::now() - start;
    }

    TempDir folder;
    std::vector<uint8_t> picture;
};

} // namespace

TEST(CaptureFileName, TimestampAndFolder) {
    LocalDateTime at{2024, 1, 2, 3, 4, 5};
    EXPECT_EQ(CaptureFileName("", "192.168.1.10", at), "192.168.1.10_20240102_030405.bmp");
    EXPECT_EQ(CaptureFileName("/srv/snaps", "192.168.1.10", at), "/srv/snaps/192.168.1.10_20240102_030405.bmp");
    EXPECT_TRUE(IsRootFolder("/"));
    EXPECT_TRUE(IsRootFolder("C:\\"));
    EXPECT_FALSE(IsRootFolder("/srv"));
    EXPECT_FALSE(IsRootFolder("C:\\pics"));
}

TEST_F(SnapshotCaptureTest, PictureInSeveralPiecesIsSavedAndOpened) {
    sim::DeviceProfile profile;
    profile.capturePiece = 700;
    UseCamera(4096, profile);
    console.OnCapture();
    EXPECT_TRUE(ui.Messages().empty());
    EXPECT_EQ(ReadFileBytes(OpenedFile()), AsText(picture, 4096));
    EXPECT_EQ(console.m_nCaptureLen.load(), 4096);
    EXPECT_EQ(console.replyStatus.load(), 1);

    ASSERT_TRUE(device->WaitUntilIdle());
    auto captures = device->ExchangesWithCode(CmdCapture);
    ASSERT_EQ(captures.size(), 1u);
    CommandBytes block{};
    block[0] = 0xDA;
    EXPECT_EQ(captures[0].command, block);
}

TEST_F(SnapshotCaptureTest, WithoutAFolderTheFileGoesToTheCurrentDirectory) {
    UseCamera(2000);
    ui.controls.captureFolderText.clear();
    auto saved = std::filesystem::current_path();
    std::filesystem::current_path(folder.Path());
    console.OnCapture();
    std::filesystem::current_path(saved);
    ASSERT_EQ(ui.openedFiles.size(), 1u);
    EXPECT_TRUE(std::regex_match(ui.openedFiles[0], std::regex(R"(127\.\d+\.\d+\.\d+_\d{8}_\d{6}\.bmp)")))
        << ui.openedFiles[0];
    EXPECT_EQ(ReadFileBytes(folder.File(ui.openedFiles[0])), AsText(picture, 2000));
}

TEST_F(SnapshotCaptureTest, ShortPictureIsKeptAndStillOpened) {
    sim::DeviceProfile profile;
    profile.captureCutAfter = 1000;
    UseCamera(4096, profile);
    console.OnCapture();
    EXPECT_TRUE(ui.Messages().empty());
    EXPECT_EQ(ReadFileBytes(OpenedFile()), AsText(picture, 1000));
}

TEST_F(SnapshotCaptureTest, ResetMidTransferEndsWithWhatArrived) {
    UseCamera(4096);
    device->AddFault({sim::FaultKind::Reset, 0, CmdCapture, 2000});
    EXPECT_LT(TimedCapture(), std::chrono::seconds(3));
    std::string saved = ReadFileBytes(OpenedFile());
    // A reset may discard bytes still in flight; what was kept is the picture's start.
    EXPECT_LE(saved.size(), 2000u);
    EXPECT_EQ(saved, AsText(picture, saved.size()));
}

TEST_F(SnapshotCaptureTest, BadAnnouncementsCreateNoFile) {
    struct Case {
        uint32_t announced;
        std::string message;
    };
    const std::vector<Case> cases = {
        {0, "get picture fail m_nCaptureLen<0="},
        {0x80000000u, "get picture fail m_nCaptureLen<0="}, // negative as a signed length
        {0x7FFFFFFFu, "图片长度异常, 抓图失败"},
        {64 * 1024 * 1024 + 1, "图片长度异常, 抓图失败"},
    };
    for (const Case& c : cases) {
        sim::DeviceProfile profile;
        profile.captureAnnouncedLength = c.announced;
        UseCamera(4096, profile);
        ui.ClearRecords();
        EXPECT_LT(TimedCapture(), std::chrono::seconds(2)) << c.announced;
        EXPECT_EQ(ui.Messages(), std::vector<std::string>{c.message}) << c.announced;
    }
    EXPECT_EQ(FilesInFolder(), 0u);
    EXPECT_TRUE(ui.openedFiles.empty());
}

TEST_F(SnapshotCaptureTest, ThePictureFollowsTheAnnouncedLengthWhateverTheFlag) {
    // Only the length decides: a reply with flag 0 and 4096 bytes is a picture.
    const std::string bytes = AsText(Picture(4096), 4096);
    ScriptedPeer camera({{ReadBytes(32), WriteBytes(DeviceReplyBytes(218, 0, 4096) + bytes)}});
    ui.SetAddress(camera.Address());
    ui.controls.captureFolderText = folder.Path().string();
    console.OnCapture();
    EXPECT_EQ(ui.Messages(), std::vector<std::string>{});
    ASSERT_EQ(ui.openedFiles.size(), 1u);
    EXPECT_EQ(ReadFileBytes(ui.openedFiles[0]), bytes);
}

TEST_F(SnapshotCaptureTest, SilentDeviceEndsWithinTheReceiveLimit) {
    UseCamera(4096);
    console.m_nCaptureLen = 4096; // an earlier capture's length is not waited for again
    device->AddFault({sim::FaultKind::StaySilent, 0, CmdCapture});
    EXPECT_LT(TimedCapture(), std::chrono::seconds(2));
    EXPECT_EQ(ui.Messages(), std::vector<std::string>{"rec get picture fail"});
    EXPECT_EQ(console.m_nCaptureLen.load(), 0);
    EXPECT_EQ(FilesInFolder(), 0u);

    sim::DeviceProfile stalling;
    stalling.captureStallAfter = 1500;
    UseCamera(4096, stalling);
    ui.ClearRecords();
    EXPECT_LT(TimedCapture(), std::chrono::seconds(2));
    EXPECT_EQ(ui.Messages(), std::vector<std::string>{"接收图片超时"});
    EXPECT_EQ(ReadFileBytes(OpenedFile()), AsText(picture, 1500));
}

TEST_F(SnapshotCaptureTest, CaptureLeavesARunningUpgradeAlone) {
    UseCamera(4096);
    console.busyWorker = true;
    console.OnCapture();
    EXPECT_TRUE(console.busyWorker.load());
    sim::DeviceProfile profile;
    profile.captureAnnouncedLength = 0;
    UseCamera(4096, profile);
    console.OnCapture();
    EXPECT_TRUE(console.busyWorker.load());
    console.busyWorker = false;
}

TEST_F(SnapshotCaptureTest, RootFolderIsRefusedAndThePreviousFolderKept) {
    console.captureFolderText = "/srv/snaps";
    ui.folderChoices = {std::string("/"), std::nullopt, std::string("/srv/pics")};
    console.OnBrowseCaptureFolder();
    EXPECT_EQ(ui.Messages(), std::vector<std::string>{"You must select a folder."});
    EXPECT_EQ(console.captureFolderText, "/srv/snaps");
    console.OnBrowseCaptureFolder(); // cancelled
    EXPECT_EQ(console.captureFolderText, "/srv/snaps");
    console.OnBrowseCaptureFolder();
    EXPECT_EQ(console.captureFolderText, "/srv/pics");
    EXPECT_EQ(ui.controls.captureFolderText, "/srv/pics");
    EXPECT_EQ(ui.Messages().size(), 1u);
}
