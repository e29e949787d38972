#pragma once
// Window lookup over the X11 desktop (EWMH client list, window names, the
// active-window request). Without a display every lookup finds nothing.
#include "platform/window_lookup.h"

#include <memory>

namespace tarnwell {

class X11WindowLookup : public WindowLookup {
public:
    X11WindowLookup();
    ~X11WindowLookup() override;

    std::optional<WindowId> FindDialogWindow(const std::string& title) override;
    WindowId LastActivePopup(WindowId window) override;
    bool IsMinimised(WindowId window) override;
    void Show(WindowId window) override;
    void SetForeground(WindowId window) override;

private:
    struct Connection;
    std::unique_ptr<Connection> x_;
};

} // namespace tarnwell
