#pragma once
// Finding and raising another program's top-level window, for the
// single-instance check. On X11 the desktop's window list answers; without a
// display nothing is ever found.
#include <cstdint>
#include <optional>
#include <string>

namespace tarnwell {

using WindowId = uint64_t;

class WindowLookup {
public:
    virtual ~WindowLookup() = default;
    // A top-level dialog window whose title is exactly `title`.
    virtual std::optional<WindowId> FindDialogWindow(const std::string& title) = 0;
    // Its most recently active pop-up, or the window itself when it has none.
    virtual WindowId LastActivePopup(WindowId window) = 0;
    virtual bool IsMinimised(WindowId window) = 0;
    // Shows the window in its current state (no restore).
    virtual void Show(WindowId window) = 0;
    virtual void SetForeground(WindowId window) = 0;
};

// The title the check looks for; a running copy of this program carries
// another caption, so it is not found by it.
inline constexpr char kSingleInstanceTitle[] = "Kendry Upgrade Tool Ver2.0";

// True when the program may go on; false after bringing the other window forward.
bool CheckSingleInstance(WindowLookup& lookup);

} // namespace tarnwell
