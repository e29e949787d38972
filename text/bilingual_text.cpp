#include "text/bilingual_text.h"

namespace tarnwell {

// Chinese for the whole run: nothing in the program changes it.
std::atomic<int> UiLanguage{1};

} // namespace tarnwell
