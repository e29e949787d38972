#pragma once
// A console with a private work folder, a folder of pictures and a device,
// set up to run the picture update.
#include "platform/work_folder.h"
#include "sim/logo_image_check.h"
#include "sim/test_bitmap.h"
#include "support/console_fixture.h"
#include "support/private_work_folder.h"
#include "support/temp_dir.h"

#include <filesystem>
#include <random>
#include <string>
#include <vector>

namespace tarnwell::test {

class PictureFixture : public ConsoleFixture {
protected:
    // Writes a picture file and returns its path.
    std::string WritePicture(const std::string& name, const std::string& bytes) {
        const std::string path = pictures.File(name);
        WriteFileBytes(path, bytes);
        return path;
    }
    static std::string Bitmap(int width, int height) {
        const std::vector<uint8_t> bitmap = sim::MakeBitmap(width, height, 8);
        return {bitmap.begin(), bitmap.end()};
    }
    // Bytes that zlib cannot shrink, so the image's size follows from their count.
    static std::string Incompressible(size_t count) {
        std::mt19937 random(4242);
        std::string bytes(count, '\0');
        for (char& byte : bytes) byte = static_cast<char>(random());
        return bytes;
    }
    // What the Browse action leaves: the paths in slots 20.., the count, edit 1008.
    void Select(const std::vector<std::string>& paths) {
        for (size_t i = 0; i < paths.size(); ++i) console.updateFilePaths[kPictureSlotBase + i] = paths[i];
        console.pictureFileCount = static_cast<int>(paths.size());
        ui.texts[IdPicturePathEdit] = paths.empty() ? "" : paths.front();
    }
    sim::LogoImageCheck Received() {
        EXPECT_TRUE(device->WaitUntilIdle());
        return sim::CheckLastLogoImage(device->Exchanges());
    }
    bool ImageLeftOnDisk() const { return std::filesystem::exists(work.File("logo.cramfs")); }

    PrivateWorkFolder work;
    TempDir pictures;
};

} // namespace tarnwell::test
