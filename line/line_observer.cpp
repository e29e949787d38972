#include "line/line_observer.h"

namespace tarnwell::line {

void ObserverList::UnitStarted(const UnitPlan& unit) {
    for (auto* observer : observers_) observer->UnitStarted(unit);
}

void ObserverList::StepStarted(const UnitPlan& unit, Step step) {
    for (auto* observer : observers_) observer->StepStarted(unit, step);
}

void ObserverList::Message(const UnitPlan& unit, Step step, const BilingualText& text) {
    for (auto* observer : observers_) observer->Message(unit, step, text);
}

void ObserverList::Progress(const UnitPlan& unit, Step step, const std::string& status, int percent) {
    for (auto* observer : observers_) observer->Progress(unit, step, status, percent);
}

void ObserverList::StepEnded(const UnitPlan& unit, const StepRecord& record) {
    for (auto* observer : observers_) observer->StepEnded(unit, record);
}

void ObserverList::UnitEnded(const UnitRecord& record) {
    for (auto* observer : observers_) observer->UnitEnded(record);
}

} // namespace tarnwell::line
