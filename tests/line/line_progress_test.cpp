#include "line/progress_board.h"
#include "support/temp_dir.h"

#include <gtest/gtest.h>

#include <algorithm>
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
    ProgressBoard board(out.get(), true, units, 66);
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
    // Lines are cut to the terminal's width (wide characters, and the ellipsis that ends a cut line,
    // count twice), so none wraps.
    size_t start = 0;
    for (size_t end; (end = frame.find('\n', start)) != std::string::npos; start = end + 1) {
        std::string line = frame.substr(start, end - start);
        if (line.rfind("\r", 0) == 0) line = line.substr(line.find('A') + 1);
        ASSERT_EQ(line.rfind("\x1b[2K", 0), 0u);
        line = line.substr(4);
        int columns = 0;
        for (unsigned char c : line) columns += c < 0x80 ? 1 : c >= 0xE0 ? 2 : c >= 0xC0 ? 1 : 0;
        EXPECT_LE(columns, 65) << line;
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

TEST(LineProgress, MoreUnitsThanRowsShowTheRunningAndFailedOnesAndCountTheRest) {
    std::unique_ptr<std::FILE, int (*)(std::FILE*)> out(std::tmpfile(), std::fclose);
    std::vector<UnitPlan> units(40);
    for (size_t i = 0; i < units.size(); ++i) units[i].address = "127.0.1." + std::to_string(i + 2);
    ProgressBoard board(out.get(), true, units, 60, 8);
    for (size_t i = 0; i < 12; ++i) board.UnitStarted(units[i]);
    for (size_t i = 0; i < 9; ++i) {
        UnitRecord record;
        record.plan = units[i];
        record.outcome = i == 4 ? UnitOutcome::Failed : UnitOutcome::Succeeded;
        board.UnitEnded(record);
    }
    board.StepStarted(units[10], Step::Firmware);
    board.Message(units[10], Step::Firmware, {"升级失败", std::string(200, 'x')});
    board.Redraw();
    board.Notice("stopping: 3 units finish their current member");
    board.Redraw();
    const std::string text = Written(out.get());

    const std::string last = text.substr(text.rfind("\r\x1b["));
    // Four units to show, the count of the rest and the notice: within the 8 rows, the cursor's
    // row left free, so the frame never scrolls and redrawing in place holds.
    EXPECT_EQ(last.rfind("\r\x1b[6A", 0), 0u) << last;
    std::vector<std::string> lines;
    for (size_t start = 0, end; (end = last.find('\n', start)) != std::string::npos; start = end + 1)
        lines.push_back(last.substr(start, end - start));
    ASSERT_EQ(lines.size(), 6u) << last;
    for (const char* address : {"127.0.1.11 ", "127.0.1.12 ", "127.0.1.13 ", "127.0.1.6 "})
        EXPECT_NE(last.find(address), std::string::npos) << address << " is running or failed\n" << last;
    EXPECT_EQ(last.find("127.0.1.2 "), std::string::npos) << "a unit done well makes room";
    EXPECT_NE(lines[lines.size() - 2].find("36 more units: 8 ok, 28 waiting"), std::string::npos) << last;
    EXPECT_NE(lines.back().find("stopping: 3 units"), std::string::npos);
    // A line too long for the width is cut at its end, and says so.
    const auto cut = std::find_if(lines.begin(), lines.end(), [](const std::string& line) {
        return line.find("127.0.1.12 ") != std::string::npos;
    });
    ASSERT_NE(cut, lines.end());
    EXPECT_EQ(cut->substr(cut->size() - 3), "\u2026");
}
