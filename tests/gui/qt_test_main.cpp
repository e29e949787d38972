// GoogleTest with a QApplication on the offscreen platform, settings and
// work files in a private folder, and message boxes recorded, not shown.
#include "support/recording_prompts.h"

#include <QApplication>
#include <cstdlib>
#include <filesystem>
#include <gtest/gtest.h>
#include <string>

int main(int argc, char** argv) {
    ::setenv("QT_QPA_PLATFORM", "offscreen", 1);
    char folder[] = "/tmp/tarnwell-gui-XXXXXX";
    if (::mkdtemp(folder) == nullptr) return 1;
    ::setenv("XDG_CONFIG_HOME", folder, 1);
    ::setenv("XDG_DATA_HOME", folder, 1);
    ::setenv("XDG_RUNTIME_DIR", folder, 1);
    QApplication application(argc, argv);
    application.setApplicationName("tarnwell");
    tarnwell::test::RecordingPrompts prompts;
    tarnwell::test::RecordingPrompts::InstallGlobal(&prompts);
    ::testing::InitGoogleTest(&argc, argv);
    int result = RUN_ALL_TESTS();
    std::error_code ignored;
    std::filesystem::remove_all(folder, ignored);
    return result;
}
