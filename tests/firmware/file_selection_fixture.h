#pragma once
// A console whose Browse buttons are pressed on files written into the
// fixture's folder.
#include "sim/test_bitmap.h"
#include "upgrade_fixture.h"

#include <string>

namespace tarnwell::test {

inline std::string Bitmap(int bits) {
    auto bytes = sim::MakeBitmap(4, 2, bits);
    return std::string(bytes.begin(), bytes.end());
}

class FileSelectionTest : public UpgradeFixture {
protected:
    std::string Write(const std::string& name, const std::string& bytes) {
        WriteFileBytes(dir.File(name), bytes);
        return dir.File(name);
    }
    Strings PictureSlots() const {
        return Strings(console.updateFilePaths.begin() + kPictureSlotBase,
                       console.updateFilePaths.begin() + kPictureSlotBase + kSlotsPerGroup);
    }
};

} // namespace tarnwell::test
