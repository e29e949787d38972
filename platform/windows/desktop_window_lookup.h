#pragma once
// The single-instance lookup over the Windows desktop: FindWindowA for a
// top-level dialog window by its exact title.
#include "platform/window_lookup.h"

namespace tarnwell {

class DesktopWindowLookup final : public WindowLookup {
public:
    std::optional<WindowId> FindDialogWindow(const std::string& title) override;
    WindowId LastActivePopup(WindowId window) override;
    bool IsMinimised(WindowId window) override;
    void Show(WindowId window) override;
    void SetForeground(WindowId window) override;
};

} // namespace tarnwell
