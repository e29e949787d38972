// The Browse buttons: which files pass, what the operator is told, and what
// the console keeps for the updates to send.
#include "app/update_file_check.h"
#include "file_selection_fixture.h"
#include "sim/test_bitmap.h"

using namespace tarnwell;
using namespace tarnwell::test;

namespace {


const std::string kPictureRefused = "The File can not uses to update the Picture (must be bmp type and 8bit attribute)";
const std::string kFirmwareRefused = "The File can not uses to update the application";

TEST_F(FileSelectionTest, PictureMustBeAnEightBitBitmap) {
    std::string eightBitWithAnyName = Bitmap(8);
    std::string lowerCase = eightBitWithAnyName;
    lowerCase[0] = 'b';
    lowerCase[1] = 'm';
    struct Case {
        std::string name, bytes;
        int accepted;
    } cases[] = {
        {"logo.dat", eightBitWithAnyName, 1},
        {"deep.bmp", Bitmap(24), 0},
        {"one.bmp", "B", 0},
        {"lower.bmp", lowerCase, 0},
        {"short.bmp", eightBitWithAnyName.substr(0, 28), 0},
        {"just-enough.bmp", eightBitWithAnyName.substr(0, 29), 1},
    };
    for (const auto& c : cases)
        EXPECT_EQ(console.ValidateUpdateFile(Write(c.name, c.bytes), UpdateFilePicture), c.accepted) << c.name;
    EXPECT_EQ(console.ValidateUpdateFile(Write("any.bin", "B"), UpdateFileFirmware), 1);
    EXPECT_EQ(console.ValidateUpdateFile(Write("logo.bmp", eightBitWithAnyName), 7), 0);
    EXPECT_EQ(ui.Messages(), Strings{});
}

TEST_F(FileSelectionTest, UnopenableFileGivesBothMessages) {
    const std::string missing = dir.File("gone.tar");
    ui.fileChoices.push_back({missing});
    console.OnBrowseFirmware();
    EXPECT_EQ(ui.Messages(), (Strings{"Open file " + missing + " ,failed", kFirmwareRefused}));
    EXPECT_EQ(console.firmwareFileCount, 0);
    EXPECT_EQ(console.updateFilePaths[0], "");

    UiLanguage = 1;
    ui.ClearRecords();
    ui.fileChoices.push_back({dir.Path().string()}); // a folder opens as no file
    console.OnBrowsePicture();
    EXPECT_EQ(ui.Messages(), (Strings{"打开文件 " + dir.Path().string() + " ,失败",
                                      "文件不能用于升级图片(必须是bmp类型并且是8bit)"}));
}

TEST_F(FileSelectionTest, FirmwareChoiceFillsTheEditAndStartsTheUpgradeFromIt) {
    const std::string package = Write("fw.tar", "anything at all");
    ui.fileChoices.push_back({package});
    console.OnBrowseFirmware();
    EXPECT_EQ(console.firmwareFileCount, 1);
    EXPECT_EQ(console.updateFilePaths[0], package);
    EXPECT_EQ(ui.controls.biosFilePath, package);
    EXPECT_EQ(ui.Messages(), Strings{});

    // A refused choice empties the edit with the count: what it shows is what is sent.
    ui.fileChoices.push_back({dir.File("missing.tar")});
    console.OnBrowseFirmware();
    EXPECT_EQ(console.firmwareFileCount, 0);
    EXPECT_EQ(ui.controls.biosFilePath, "");
    UiLanguage = 1;
    ui.ClearRecords();
    console.StartFirmwareUpgrade();
    EXPECT_FALSE(console.firmwareWorker.joinable());
    EXPECT_EQ(ui.Messages(), Strings{"请选择文件来更新Bios!"});
}

TEST_F(FileSelectionTest, RefusedPictureCutsTheSelectionBack) {
    const Strings chosen{Write("a.bmp", Bitmap(8)), Write("b.bmp", Bitmap(24)), Write("c.bmp", Bitmap(8))};
    console.updateFilePaths[kPictureSlotBase + 2] = "stale.bmp";
    ui.fileChoices.push_back(chosen);
    console.OnBrowsePicture();
    EXPECT_EQ(ui.Messages(), Strings{kPictureRefused});
    EXPECT_EQ(console.pictureFileCount, 1);
    Strings slots(kSlotsPerGroup);
    slots[0] = chosen[0];
    EXPECT_EQ(PictureSlots(), slots);
    EXPECT_EQ(ui.texts[IdPicturePathEdit], chosen[0]);

    // A refused first picture leaves nothing selected and nothing shown.
    ui.fileChoices.push_back({chosen[1]});
    console.OnBrowsePicture();
    EXPECT_EQ(console.pictureFileCount, 0);
    EXPECT_EQ(ui.texts[IdPicturePathEdit], "");
}

TEST_F(FileSelectionTest, MoreThanTwentyPicturesKeepTheFirstTwenty) {
    const std::string picture = Bitmap(8);
    Strings chosen;
    for (int i = 0; i < 23; ++i) chosen.push_back(Write("p" + std::to_string(i) + ".bmp", picture));
    console.updateFilePaths[kPictureSlotBase + kSlotsPerGroup] = "language slot";
    ui.fileChoices.push_back(chosen);
    console.OnBrowsePicture();
    EXPECT_EQ(console.pictureFileCount, kSlotsPerGroup);
    EXPECT_EQ(PictureSlots(), Strings(chosen.begin(), chosen.begin() + kSlotsPerGroup));
    EXPECT_EQ(console.updateFilePaths[kPictureSlotBase + kSlotsPerGroup], "language slot");
    EXPECT_EQ(ui.texts[IdPicturePathEdit], chosen[kSlotsPerGroup - 1]);
}

TEST_F(FileSelectionTest, BrowseDoesNothingWhileAnUpgradeRunsOrWhenCancelled) {
    ui.fileChoices.push_back({Write("fw.tar", "x")});
    console.busyWorker = true;
    console.OnBrowseFirmware();
    console.OnBrowsePicture();
    EXPECT_EQ(ui.fileChoices.size(), 1u); // no dialog was opened
    console.busyWorker = false;

    console.firmwareFileCount = 4;
    console.updateFilePaths[0] = "kept.tar";
    ui.fileChoices = {{}}; // the operator cancels
    console.OnBrowseFirmware();
    EXPECT_EQ(console.firmwareFileCount, 4);
    EXPECT_EQ(console.updateFilePaths[0], "kept.tar");
    EXPECT_EQ(ui.Messages(), Strings{});
}

} // namespace
