#pragma once
// A console and a simulated device for the web and media handlers.
#include "text/bilingual_text.h"
#include "support/console_fixture.h"
#include "support/temp_dir.h"

namespace tarnwell::test {

// Switches the interface language for one test.
class ScopedUiLanguage {
public:
    explicit ScopedUiLanguage(int language) : saved_(UiLanguage.load()) { UiLanguage = language; }
    ~ScopedUiLanguage() { UiLanguage = saved_; }

private:
    int saved_;
};

class MediaFixture : public ConsoleFixture {
protected:
    MediaFixture() {
        console.channelLimits.reply = std::chrono::milliseconds(800);
        console.httpLimits = {Milliseconds{800}, Milliseconds{800}, Milliseconds{800}};
    }
};

} // namespace tarnwell::test
