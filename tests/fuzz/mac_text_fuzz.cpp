// Any text as the operator's MAC: validation never reads past the text, only
// well-formed texts step, and a stepped text is well formed again.
#include <cstdint>
#include <cstdlib>
#include <string>

#include "text/mac_text.h"
#include "protocol/mac_text_block.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::string text(reinterpret_cast<const char*>(data), size);
    const int verdict = tarnwell::ValidateMacText(text);
    if ((verdict == tarnwell::kMacTextEmpty) != text.empty()) std::abort();

    std::string stepped;
    const bool steps = tarnwell::StepMacText(text, stepped);
    if (steps != (verdict == tarnwell::kMacTextWellFormed)) std::abort();
    if (steps && (tarnwell::ValidateMacText(stepped) != tarnwell::kMacTextWellFormed || stepped.size() > 17)) {
        std::abort();
    }

    const auto block = tarnwell::MakeMacTextBlock(text);
    if (block.back() != 0) std::abort();
    return 0;
}
