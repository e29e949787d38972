#include "picture_fixture.h"

#include "text/bilingual_text.h"
#include "protocol/command_block.h"

#include <map>

using namespace tarnwell;
using namespace tarnwell::test;

namespace {

class PictureUpdateTest : public PictureFixture {};

std::map<std::string, std::string> FilesByName(const sim::LogoImageCheck& check) {
    std::map<std::string, std::string> files;
    for (const auto& file : check.files) files[file.name] = file.contents;
    return files;
}

} // namespace

TEST_F(PictureUpdateTest, OnePictureArrivesAsTheOnlyFileOfTheImage) {
    UseDevice();
    const std::string picture = Bitmap(40, 30);
    Select({WritePicture("bmp_logo.bmp", picture)});

    EXPECT_EQ(console.UpdatePicture(), 1);
    EXPECT_EQ(ui.Messages(), std::vector<std::string>{"更新图片完成"});
    EXPECT_EQ(ui.ProgressPositions().back(), 0);

    const sim::LogoImageCheck check = Received();
    ASSERT_TRUE(check.valid) << check.error;
    ASSERT_EQ(check.files.size(), 1u);
    EXPECT_EQ(check.files[0].name, "bmp_logo.bmp");
    EXPECT_EQ(check.files[0].contents, picture);

    // One connection: the bare 0xC7 block, then attributes (type 6, size) and the image.
    EXPECT_EQ(device->ConnectionCount(), 1);
    const sim::Exchange exchange = device->ExchangesWithCode(CmdReadyUpgrade).at(0);
    EXPECT_EQ(exchange.command, CommandBlock(CmdReadyUpgrade).Bytes());
    const auto size = static_cast<uint32_t>(check.image.size());
    EXPECT_EQ(size % 4096, 0u);
    EXPECT_EQ(std::vector<uint8_t>(exchange.payload.begin(), exchange.payload.begin() + 8),
              Bytes({0, 0, 0, 6, int(size >> 24), int(size >> 16 & 0xFF), int(size >> 8 & 0xFF), int(size & 0xFF)}));

    EXPECT_FALSE(ImageLeftOnDisk());
    EXPECT_FALSE(std::filesystem::exists(work.File("Install.lua")));
}

TEST_F(PictureUpdateTest, SeveralPicturesKeepTheirLogoNamesAndContents) {
    UseDevice();
    const std::map<std::string, std::string> pictures = {
        {"bmp_logo.bmp", Bitmap(64, 48)},
        {"bmp_logo_middle.bmp", Bitmap(33, 7)},
        {"bmp_logo_8ch.bmp", Bitmap(128, 96)},
    };
    std::vector<std::string> paths;
    // Upper case on disk: the device's names are matched in any case and stored lowered.
    paths.push_back(WritePicture("BMP_LOGO_MIDDLE.BMP", pictures.at("bmp_logo_middle.bmp")));
    paths.push_back(WritePicture("bmp_logo.bmp", pictures.at("bmp_logo.bmp")));
    paths.push_back(WritePicture("bmp_logo_8ch.bmp", pictures.at("bmp_logo_8ch.bmp")));
    Select(paths);

    EXPECT_EQ(console.UpdatePicture(), 1);
    const sim::LogoImageCheck check = Received();
    ASSERT_TRUE(check.valid) << check.error;
    EXPECT_EQ(FilesByName(check), pictures);
    EXPECT_FALSE(ImageLeftOnDisk());
}

TEST_F(PictureUpdateTest, TwelvePicturesSelectedSendTheFirstTen) {
    UseDevice();
    std::vector<std::string> paths, contents;
    for (int i = 0; i < 12; ++i) {
        contents.push_back(Bitmap(8 + i, 4));
        paths.push_back(WritePicture("picture" + std::to_string(i) + ".bmp", contents.back()));
    }
    Select(paths);

    EXPECT_EQ(console.UpdatePicture(), 1);
    const sim::LogoImageCheck check = Received();
    ASSERT_TRUE(check.valid) << check.error;
    // Names outside the device's three all become bmp_logo.bmp, kept in selection order.
    ASSERT_EQ(check.files.size(), 10u);
    for (size_t i = 0; i < check.files.size(); ++i) EXPECT_EQ(check.files[i].contents, contents[i]) << i;
}

TEST_F(PictureUpdateTest, NothingSelectedDoesNothing) {
    UseDevice();
    Select({WritePicture("bmp_logo.bmp", Bitmap(8, 8))});
    ui.texts[IdPicturePathEdit] = "";
    EXPECT_EQ(console.UpdatePicture(), 0);

    ui.texts[IdPicturePathEdit] = console.updateFilePaths[kPictureSlotBase];
    console.pictureFileCount = 0;
    EXPECT_EQ(console.UpdatePicture(), 0);

    EXPECT_TRUE(ui.Messages().empty());
    EXPECT_EQ(device->ConnectionCount(), 0);
    EXPECT_FALSE(ImageLeftOnDisk());
}

TEST_F(PictureUpdateTest, BuildFailureIsShownAndNeitherThisNorAnEarlierImageIsSent) {
    UseDevice();
    Select({pictures.File("gone.bmp")});
    // An image that an earlier, interrupted attempt left behind.
    WriteFileBytes(work.File("logo.cramfs"), std::string(4096, 'x'));

    EXPECT_EQ(console.UpdatePicture(), 0);
    ASSERT_EQ(ui.Messages().size(), 1u);
    EXPECT_EQ(ui.Messages()[0].rfind("生成图片镜像失败", 0), 0u) << ui.Messages()[0];
    EXPECT_NE(ui.Messages()[0].find("gone.bmp"), std::string::npos) << ui.Messages()[0];

    UiLanguage = 0;
    EXPECT_EQ(console.UpdatePicture(), 0);
    UiLanguage = 1;
    EXPECT_EQ(ui.Messages().back().rfind("Could not build the picture image", 0), 0u) << ui.Messages().back();

    EXPECT_EQ(device->ConnectionCount(), 0);
    EXPECT_FALSE(ImageLeftOnDisk());
}
