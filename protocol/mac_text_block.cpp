#include "protocol/mac_text_block.h"

#include <algorithm>

#include "text/mac_text.h"

namespace tarnwell {

MacTextBlock MakeMacTextBlock(const std::string& text) {
    constexpr std::size_t kRoom = kMacTextBlockSize - 1;
    std::string fitted = text;
    if (fitted.size() > kRoom) {
        std::string compact;
        if (CompactMacText(text, compact)) fitted = compact;
    }
    MacTextBlock block{};
    std::copy_n(fitted.begin(), std::min(fitted.size(), kRoom), block.begin());
    return block;
}

} // namespace tarnwell
