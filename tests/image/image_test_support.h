#pragma once
// Runs the image writer with captured streams and reads back what it wrote.
#include "image/mkcramfs.h"
#include "sim/cramfs_reader.h"
#include "support/platform_limits.h"
#include "support/temp_dir.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

namespace tarnwell::test {

struct WriterRun {
    MkcramfsResult result;
    std::string out;
    std::string err;
};

inline std::string DrainFile(std::FILE* file) {
    std::string text;
    std::rewind(file);
    char chunk[4096];
    std::size_t got;
    while ((got = std::fread(chunk, 1, sizeof chunk, file)) > 0) text.append(chunk, got);
    std::fclose(file);
    return text;
}

inline WriterRun RunWriter(const std::string& output, const std::vector<std::string>& inputs) {
    std::vector<const char*> argv{"mkcramfs", output.c_str()};
    for (const std::string& input : inputs) argv.push_back(input.c_str());
    argv.push_back(nullptr);
    std::FILE* out = std::tmpfile();
    std::FILE* err = std::tmpfile();
    WriterRun run;
    run.result = mkcramfs(static_cast<int>(argv.size()) - 1, argv.data(), out, err);
    run.out = DrainFile(out);
    run.err = DrainFile(err);
    return run;
}

inline std::vector<std::uint8_t> AsBytes(const std::string& text) { return {text.begin(), text.end()}; }

// The image at `path`, failing the test when the reader rejects it.
inline CramfsImage ReadImageFile(const std::string& path) {
    const std::vector<std::uint8_t> bytes = AsBytes(ReadFileBytes(path));
    CramfsImage image;
    std::string error;
    EXPECT_TRUE(ReadCramfsImage(bytes, image, error)) << error;
    return image;
}

// util-linux's checker, extracting into `folder`; true when it accepts the image.
inline bool FsckExtracts(const std::string& image, const std::filesystem::path& folder) {
    const std::string command =
        "/usr/sbin/fsck.cramfs --extract=" + folder.string() + " " + image + " >/dev/null 2>&1";
    return std::system(command.c_str()) == 0;
}

inline bool HaveFsck() { return std::filesystem::exists("/usr/sbin/fsck.cramfs"); }

} // namespace tarnwell::test
