#include "line/progress_board.h"

#include <algorithm>
#include <cstdio>

namespace tarnwell::line {

namespace {

int LeadWidth(unsigned char lead) { return lead >= 0xE0 ? 2 : 1; }

// Cuts `text` to `columns` display columns, counting wide (CJK) characters
// as two, without splitting a UTF-8 sequence; a cut line ends with an ellipsis.
std::string FitColumns(const std::string& text, int columns) {
    static const std::string kEllipsis = "\u2026";
    const int ellipsisWidth = LeadWidth(static_cast<unsigned char>(kEllipsis[0]));
    int used = 0;
    size_t at = 0, fits = 0; // `fits`: where the text is cut if it is cut
    while (at < text.size()) {
        const unsigned char lead = static_cast<unsigned char>(text[at]);
        size_t length = lead < 0x80 ? 1 : lead >= 0xF0 ? 4 : lead >= 0xE0 ? 3 : lead >= 0xC0 ? 2 : 1;
        const int width = LeadWidth(lead);
        if (used + width > columns) return text.substr(0, fits) + kEllipsis;
        used += width;
        at = std::min(at + length, text.size());
        if (used + ellipsisWidth <= columns) fits = at;
    }
    return text;
}

std::string Elapsed(double seconds) {
    const long whole = static_cast<long>(seconds);
    char text[32];
    std::snprintf(text, sizeof text, "%02ld:%02ld", whole / 60, whole % 60);
    return text;
}

} // namespace

std::string MessageText(const BilingualText& text) {
    if (text.chinese == text.english) return text.chinese;
    return text.chinese + " (" + text.english + ")";
}

ProgressBoard::ProgressBoard(std::FILE* out, bool redrawInPlace, const std::vector<UnitPlan>& units, int columns,
                             int rows)
    : out_(out), inPlace_(redrawInPlace), columns_(columns > 10 ? columns - 1 : 79), rows_(rows) {
    for (const auto& unit : units) {
        index_[unit.address] = lines_.size();
        Line line;
        line.address = unit.address;
        lines_.push_back(std::move(line));
    }
}

ProgressBoard::Line& ProgressBoard::LineOf(const UnitPlan& unit) { return lines_[index_.at(unit.address)]; }

void ProgressBoard::Plain(const std::string& text) {
    if (inPlace_) return;
    std::fprintf(out_, "%s\n", text.c_str());
    std::fflush(out_);
}

void ProgressBoard::UnitStarted(const UnitPlan& unit) {
    std::lock_guard lock(mutex_);
    Line& line = LineOf(unit);
    line.started = true;
    line.start = Clock::now();
    line.step = "started";
}

void ProgressBoard::StepStarted(const UnitPlan& unit, Step step) {
    std::lock_guard lock(mutex_);
    Line& line = LineOf(unit);
    line.step = StepName(step);
    line.status.clear();
    line.percent = -1;
    // The last message belongs to the step that said it.
    line.message.clear();
    Plain(unit.address + " " + line.step + " ...");
}

void ProgressBoard::Message(const UnitPlan& unit, Step step, const BilingualText& text) {
    std::lock_guard lock(mutex_);
    LineOf(unit).message = MessageText(text);
    Plain(unit.address + " " + StepName(step) + ": " + MessageText(text));
}

void ProgressBoard::Progress(const UnitPlan& unit, Step step, const std::string& status, int percent) {
    std::lock_guard lock(mutex_);
    Line& line = LineOf(unit);
    const bool newStatus = status != line.status;
    const int before = line.percent;
    line.status = status;
    line.percent = percent;
    // Plain lines: each new status, then every quarter of the member.
    if (newStatus && !status.empty())
        Plain(unit.address + " " + StepName(step) + " " + status);
    else if (percent / 25 > before / 25 && percent > 0)
        Plain(unit.address + " " + StepName(step) + " " + status + " " + std::to_string(percent) + "%");
}

void ProgressBoard::StepEnded(const UnitPlan& unit, const StepRecord& record) {
    std::lock_guard lock(mutex_);
    char text[64];
    std::snprintf(text, sizeof text, " %.2f s, %llu bytes", record.seconds,
                  static_cast<unsigned long long>(record.bytesSent));
    Plain(unit.address + " " + StepName(record.step) + " " + ResultName(record) + text);
}

void ProgressBoard::UnitEnded(const UnitRecord& record) {
    std::lock_guard lock(mutex_);
    Line& line = LineOf(record.plan);
    line.ended = OutcomeName(record.outcome);
    line.seconds = record.seconds;
    line.step = "done";
    line.status.clear();
    line.percent = -1;
    Plain(record.plan.address + " done: " + line.ended + " (" + Elapsed(record.seconds) + ")");
}

std::string ProgressBoard::Render(const Line& line) const {
    char head[96];
    std::string status = line.ended.empty() ? line.status : line.ended;
    std::string percent = line.percent >= 0 && line.ended.empty() ? std::to_string(line.percent) + "%" : "";
    double seconds = !line.ended.empty() ? line.seconds
                     : line.started      ? std::chrono::duration<double>(Clock::now() - line.start).count()
                                         : 0;
    std::snprintf(head, sizeof head, "%-15s %-8s %-16s %4s %s", line.address.c_str(), line.step.c_str(),
                  status.c_str(), percent.c_str(), line.started ? Elapsed(seconds).c_str() : "--:--");
    std::string text = head;
    if (!line.message.empty()) text += "  " + line.message;
    return FitColumns(text, columns_);
}

std::vector<std::string> ProgressBoard::Frame() const {
    std::vector<std::string> frame;
    // The cursor rests on the row below the frame.
    const size_t room = rows_ > 0 ? static_cast<size_t>(std::max(rows_ - 1 - (notice_.empty() ? 0 : 1), 1))
                                  : lines_.size();
    if (lines_.size() <= room) {
        for (const Line& line : lines_) frame.push_back(Render(line));
    } else {
        // What needs the operator's eye: the units running, then those that did not end well.
        std::vector<const Line*> shown;
        for (const Line& line : lines_)
            if (line.started && line.ended.empty()) shown.push_back(&line);
        for (const Line& line : lines_)
            if (!line.ended.empty() && line.ended != "ok") shown.push_back(&line);
        if (shown.size() > room - 1) shown.resize(room - 1);
        size_t done = 0, waiting = 0, others = 0;
        for (const Line& line : lines_) {
            if (std::find(shown.begin(), shown.end(), &line) != shown.end()) continue;
            ++(line.ended == "ok" ? done : !line.started ? waiting : others);
        }
        for (const Line* line : shown) frame.push_back(Render(*line));
        std::string rest = "... " + std::to_string(lines_.size() - shown.size()) + " more units: " +
                           std::to_string(done) + " ok, " + std::to_string(waiting) + " waiting";
        if (others > 0) rest += ", " + std::to_string(others) + " more running or not ok";
        frame.push_back(FitColumns(rest, columns_));
    }
    if (!notice_.empty()) frame.push_back(FitColumns(notice_, columns_));
    return frame;
}

void ProgressBoard::Redraw() {
    if (!inPlace_) return;
    std::lock_guard lock(mutex_);
    std::string text;
    // Back to the first line of the previous frame, then every line afresh,
    // and whatever a longer previous frame left below is cleared.
    if (drawn_ > 0) text += "\r\x1b[" + std::to_string(drawn_) + "A";
    const std::vector<std::string> frame = Frame();
    for (const std::string& line : frame) text += "\x1b[2K" + line + "\n";
    text += "\x1b[J";
    drawn_ = frame.size();
    std::fputs(text.c_str(), out_);
    std::fflush(out_);
}

void ProgressBoard::Notice(const std::string& text) {
    {
        std::lock_guard lock(mutex_);
        notice_ = text;
        Plain(text);
    }
    Redraw();
}

size_t ProgressBoard::RunningUnits() {
    std::lock_guard lock(mutex_);
    size_t running = 0;
    for (const Line& line : lines_) running += line.started && line.ended.empty() ? 1 : 0;
    return running;
}

} // namespace tarnwell::line
