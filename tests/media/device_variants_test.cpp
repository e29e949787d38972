// Capture and the web CGI against devices that answer unlike our own code:
// a capture reply coalesced with the picture, a capture reply with flag 0,
// HTTP answers in several segments with the status line the test picks.
#include "media/media_fixture.h"
#include "protocol/command_block.h"
#include "sim/web_cgi_server.h"

using namespace tarnwell;
using namespace tarnwell::test;
using sim::OkPlace;
using sim::WebCgiScript;

namespace {

class CaptureVariantsTest : public MediaFixture {
protected:
    void Capture(sim::DeviceProfile profile) {
        picture.resize(5000);
        for (size_t i = 0; i < picture.size(); ++i) picture[i] = static_cast<uint8_t>(i * 13 + i / 251);
        picture[0] = 'B';
        picture[1] = 'M';
        profile.capturePicture = picture;
        ui.controls.captureFolderText = folder.Path().string();
        UseDevice(profile);
        console.OnCapture();
    }
    std::string Saved() {
        EXPECT_EQ(ui.openedFiles.size(), 1u);
        return ui.openedFiles.empty() ? std::string() : ReadFileBytes(ui.openedFiles[0]);
    }
    std::string Picture() const { return std::string(picture.begin(), picture.end()); }

    TempDir folder;
    std::vector<uint8_t> picture;
};

} // namespace

TEST_F(CaptureVariantsTest, ReplyCoalescedWithThePictureLosesNoByte) {
    sim::DeviceProfile profile;
    profile.replies.captureCoalesced = true;
    profile.capturePiece = 1400;
    Capture(profile);
    EXPECT_TRUE(ui.Messages().empty());
    EXPECT_EQ(Saved(), Picture());
}

TEST_F(CaptureVariantsTest, FlagZeroWithAPositiveLengthStillBringsThePicture) {
    sim::DeviceProfile profile;
    profile.captureReplyFlag = 0;
    Capture(profile);
    // The announced length alone says whether a picture follows.
    EXPECT_TRUE(ui.Messages().empty());
    EXPECT_EQ(Saved(), Picture());
}

// Terse and split capture replies: the picture keeps its first bytes either way.
TEST_F(CaptureVariantsTest, TerseOrSplitReplyLosesNoPictureByte) {
    for (bool terse : {true, false}) {
        SCOPED_TRACE(terse);
        sim::DeviceProfile profile;
        profile.replies.shortReplies = terse;
        profile.replies.pieces = terse ? 3 : 2;
        Capture(profile);
        EXPECT_TRUE(ui.Messages().empty());
        EXPECT_EQ(Saved(), Picture());
        ui.ClearRecords();
        ui.openedFiles.clear();
    }
}

namespace {

class WebReplyTest : public MediaFixture {
protected:
    void SetSerialAgainst(WebCgiScript script) {
        UseDevice();
        ASSERT_TRUE(web.Start(device->Address(), 0));
        web.SetScript(std::move(script));
        ui.controls.serialText = "SN-7";
        ui.controls.webPortText = std::to_string(web.Port());
        ui.answers.push_back(false); // no reboot
        console.OnSetSerial();
        ASSERT_TRUE(web.WaitForConnections(1, Milliseconds{3000}));
    }
    bool Succeeded() const {
        for (const auto& [caption, text] : ui.captionedMessages)
            if (text == "设置成功") return true;
        return false;
    }
    sim::WebCgiServer web;
};

} // namespace

TEST_F(WebReplyTest, OkInALaterSegmentIsASuccess) {
    SetSerialAgainst(WebCgiScript::Status(200, OkPlace::Body, 4));
    EXPECT_TRUE(Succeeded());
    EXPECT_TRUE(ui.Messages().empty());
}

TEST_F(WebReplyTest, OkCountsInTheBodyOfASegmentedReplyNotInItsHeader) {
    SetSerialAgainst(WebCgiScript::Status(200, OkPlace::Body, 3));
    EXPECT_TRUE(Succeeded());
    web.Stop();
    ui.ClearRecords();
    ui.captionedMessages.clear();
    SetSerialAgainst(WebCgiScript::Status(200, OkPlace::Header, 3));
    EXPECT_FALSE(Succeeded());
}

TEST_F(WebReplyTest, ErrorStatusWithoutOkIsAFailure) {
    for (int status : {404, 500}) {
        SetSerialAgainst(WebCgiScript::Status(status, OkPlace::Nowhere, 3));
        EXPECT_FALSE(Succeeded()) << status;
        EXPECT_EQ(ui.Messages().size(), 1u) << status;
        web.Stop();
        ui.ClearRecords();
        ui.captionedMessages.clear();
    }
}
