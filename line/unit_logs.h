#pragma once
// --log-dir: one log file per unit (its address, ".log"), appended to, with a
// line per event: steps, messages, statuses and results, each with its time.
// What a line engineer opens when one unit of a long shift went wrong.
#include "line/line_observer.h"

#include <cstdio>
#include <map>
#include <memory>
#include <mutex>
#include <string>

namespace tarnwell::line {

class UnitLogs : public LineObserver {
public:
    // False with `error` when `folder` cannot be made or written.
    bool Open(const std::string& folder, std::string& error);

    void UnitStarted(const UnitPlan& unit) override;
    void StepStarted(const UnitPlan& unit, Step step) override;
    void Message(const UnitPlan& unit, Step step, const BilingualText& text) override;
    void Progress(const UnitPlan& unit, Step step, const std::string& status, int percent) override;
    void StepEnded(const UnitPlan& unit, const StepRecord& record) override;
    void UnitEnded(const UnitRecord& record) override;

private:
    struct Log {
        std::unique_ptr<std::FILE, int (*)(std::FILE*)> file{nullptr, std::fclose};
        std::string status;
    };
    void Write(const std::string& address, const std::string& text);

    std::string folder_;
    std::mutex mutex_;
    std::map<std::string, Log> logs_;
};

} // namespace tarnwell::line
