// Random small picture sets: every image must be accepted by util-linux's
// checker and hold exactly the inputs, in name order.
#include "image/logo_entry_name.h"
#include "image_test_support.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <map>
#include <random>

namespace tarnwell::test {
namespace {

namespace fs = std::filesystem;

std::string RandomContents(std::mt19937& random) {
    const std::size_t size = random() % 4 == 0 ? random() % 20001 : random() % 9000;
    std::string contents(size, '\0');
    switch (random() % 3) {
    case 0:  // noise: blocks that do not compress
        for (char& byte : contents) byte = static_cast<char>(random());
        break;
    case 1: {  // a short repeated run, like flat bitmap areas
        const std::size_t period = 1 + random() % 17;
        for (std::size_t i = 0; i < size; ++i) contents[i] = static_cast<char>('A' + i % period);
        break;
    }
    default:  // mostly flat with some noise
        for (std::size_t i = 0; i < size; ++i) contents[i] = random() % 8 == 0 ? static_cast<char>(random()) : 0;
    }
    return contents;
}

std::string RandomFileName(std::mt19937& random, int index) {
    static const char* const kNames[] = {"bmp_logo.bmp", "BMP_LOGO_MIDDLE.bmp", "Bmp_Logo_8ch.BMP", "photo.bmp",
                                         "bmp_logo_middle.bmp", "logo.bmp"};
    const std::string name = kNames[random() % std::size(kNames)];
    // Unique on disk, the same name in the image: the prefix ends with '\\'.
    return "in" + std::to_string(index) + "\\" + name;
}

TEST(MkcramfsProperty, RandomSetsRoundTripThroughFsck) {
    if (const PlatformLimit limit = NoPosixTools()) GTEST_SKIP() << limit.reason;
    if (!HaveFsck()) GTEST_SKIP() << "fsck.cramfs not installed";
    std::mt19937 random(7341);
    TempDir dir;
    for (int round = 0; round < 250; ++round) {
        SCOPED_TRACE("round " + std::to_string(round));
        const int count = 1 + static_cast<int>(random() % 5);
        std::vector<std::string> paths, contents;
        for (int i = 0; i < count; ++i) {
            paths.push_back(dir.File(RandomFileName(random, i)));
            contents.push_back(RandomContents(random));
            WriteFileBytes(paths.back(), contents.back());
        }
        const std::string image = dir.File("out.img");
        const WriterRun run = RunWriter(image, paths);
        ASSERT_TRUE(run.result.imageWritten) << run.err;

        // Expected directory: stable name order of the arguments.
        std::vector<int> order(count);
        for (int i = 0; i < count; ++i) order[i] = i;
        std::stable_sort(order.begin(), order.end(),
                         [&](int a, int b) { return LogoEntryName(paths[a]) < LogoEntryName(paths[b]); });
        const CramfsImage read = ReadImageFile(image);
        ASSERT_EQ(read.entries.size(), static_cast<std::size_t>(count));
        for (int i = 0; i < count; ++i) {
            EXPECT_EQ(read.entries[i].name, LogoEntryName(paths[order[i]]));
            EXPECT_EQ(read.entries[i].contents, contents[order[i]]);
        }

        // The checker extracts equal names over each other: the last one stays.
        const fs::path extracted = dir.Path() / "x";
        fs::remove_all(extracted);
        ASSERT_TRUE(FsckExtracts(image, extracted));
        std::map<std::string, int> last;
        for (int i : order) last[LogoEntryName(paths[i])] = i;
        for (const auto& [name, index] : last)
            EXPECT_EQ(ReadFileBytes((extracted / name).string()), contents[index]) << name;
        for (const std::string& path : paths) fs::remove(path);
    }
}

} // namespace
} // namespace tarnwell::test
