#pragma once
// The units' progress as an operator watches it. On a terminal: one line per
// unit (address, step, status, per cent of the member being sent, elapsed
// time, last message) redrawn in place, each cut to the width with an
// ellipsis; with more units than rows, the running and failed units and a
// count of the rest, so the frame never scrolls. Otherwise: plain lines as
// things happen, for a log file or a pipe.
#include "line/line_observer.h"

#include <chrono>
#include <cstdio>
#include <map>
#include <mutex>

namespace tarnwell::line {

class ProgressBoard : public LineObserver {
public:
    // `units` in the order of their lines.
    // `rows` 0: as many lines as there are units.
    ProgressBoard(std::FILE* out, bool redrawInPlace, const std::vector<UnitPlan>& units, int columns = 80,
                  int rows = 0);

    void UnitStarted(const UnitPlan& unit) override;
    void StepStarted(const UnitPlan& unit, Step step) override;
    void Message(const UnitPlan& unit, Step step, const BilingualText& text) override;
    void Progress(const UnitPlan& unit, Step step, const std::string& status, int percent) override;
    void StepEnded(const UnitPlan& unit, const StepRecord& record) override;
    void UnitEnded(const UnitRecord& record) override;

    // Redraws the lines (in place mode only).
    void Redraw();
    // A word to the operator about the whole job: below the lines in place,
    // else a line of its own at once.
    void Notice(const std::string& text);
    // Units started and not yet ended.
    size_t RunningUnits();

private:
    using Clock = std::chrono::steady_clock;
    struct Line {
        std::string address;
        std::string step = "waiting";
        std::string status;
        int percent = -1;
        std::string message;
        Clock::time_point start{};
        bool started = false;
        std::string ended; // the unit's result once it ended
        double seconds = 0;
    };
    Line& LineOf(const UnitPlan& unit);
    std::string Render(const Line& line) const;
    // The lines of one frame, at most `rows_` - 1 with the notice.
    std::vector<std::string> Frame() const;
    void Plain(const std::string& text);

    std::FILE* out_;
    bool inPlace_;
    int columns_;
    int rows_;
    std::mutex mutex_;
    std::vector<Line> lines_;
    std::map<std::string, size_t> index_;
    std::string notice_;
    size_t drawn_ = 0;
};

// A message as the runner prints it: the Chinese text the console shows, and the English one.
std::string MessageText(const BilingualText& text);

} // namespace tarnwell::line
