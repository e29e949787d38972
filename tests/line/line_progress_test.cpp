#include "line/progress_board.h"
#include "support/temp_dir.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <memory>

using namespace tarnwell;
using namespace tarnwell::line;

namespace {

std::string Written(std::FILE* file) {
    std::fflush(file);
    std::rewind(file);
    std::string text;
    for (int c; (c = std::fgetc(file)) != EOF;) text += static_cast<char>(c);
    return text;
}

} // namespace

TEST(LineProgress, OnATerminalEachFrameRedrawsEveryUnitLineInPlace) {
    std::unique_ptr<std::FILE, int (*)(std::FILE*)> out(std::tmpfile(), std::fclose);
    std::vector<UnitPlan> units(2);
    units[0].address = "127.0.0.2";
    units[1].address = "127.0.0.3";
    ProgressBoard board(out.get(), true, units, 64);
    board.UnitStarted(units[0]);
    board.StepStarted(units[0], Step::Firmware);
    board.Progress(units[0], Step::Firmware, "Update 1-10...", 45);
    board.Message(units[1], Step::Time, {"连接失败6", "Connect Failed!"});
    board.Redraw();
    board.Redraw();
    const std::string text = Written(out.get());
    // The second frame goes back up the two lines of the first.
    const size_t second = text.find("\r\x1b[2A");
    ASSERT_NE(second, std::string::npos);
    const std::string frame = text.substr(second);
    EXPECT_NE(frame.find("127.0.0.2       firmware Update 1-10...    45% 00:00"), std::string::npos) << frame;
    EXPECT_NE(frame.find("127.0.0.3       waiting"), std::string::npos) << frame;
    EXPECT_NE(frame.find("连接失败"), std::string::npos) << frame;
    // Lines are cut to the terminal's width (wide characters count twice), so none wraps.
    size_t start = 0;
    for (size_t end; (end = frame.find('\n', start)) != std::string::npos; start = end + 1) {
        std::string line = frame.substr(start, end - start);
        if (line.rfind("\r", 0) == 0) line = line.substr(line.find('A') + 1);
        ASSERT_EQ(line.rfind("\x1b[2K", 0), 0u);
        line = line.substr(4);
        int columns = 0;
        for (unsigned char c : line) columns += c < 0x80 ? 1 : c >= 0xE0 ? 2 : c >= 0xC0 ? 1 : 0;
        EXPECT_LE(columns, 63) << line;
    }
}

TEST(LineProgress, TheLastMessageBelongsToTheStepThatSaidIt) {
    std::unique_ptr<std::FILE, int (*)(std::FILE*)> out(std::tmpfile(), std::fclose);
    std::vector<UnitPlan> units(1);
    units[0].address = "127.0.0.2";
    ProgressBoard board(out.get(), true, units, 120);
    board.UnitStarted(units[0]);
    board.StepStarted(units[0], Step::Serial);
    board.Message(units[0], Step::Serial, {"设置成功", "Set Success!"});
    board.StepStarted(units[0], Step::Firmware);
    board.Progress(units[0], Step::Firmware, "member 1 of 2", 10);
    board.Redraw();
    const std::string text = Written(out.get());
    EXPECT_NE(text.find("member 1 of 2"), std::string::npos) << text;
    EXPECT_EQ(text.find("设置成功"), std::string::npos) << text;
}
