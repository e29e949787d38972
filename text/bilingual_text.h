#pragma once
// Every operator message exists in Simplified Chinese and English; the
// process-wide UiLanguage picks one (1: Chinese, anything else: English).
#include <atomic>
#include <string>

namespace tarnwell {

extern std::atomic<int> UiLanguage;

struct BilingualText {
    std::string chinese;
    std::string english;

    // The text that UiLanguage selects.
    const std::string& Chosen() const { return UiLanguage.load() == 1 ? chinese : english; }
};

} // namespace tarnwell
