#include "platform/window_lookup.h"

namespace tarnwell {

bool CheckSingleInstance(WindowLookup& lookup) {
    std::optional<WindowId> found = lookup.FindDialogWindow(kSingleInstanceTitle);
    if (!found) return true;
    WindowId popup = lookup.LastActivePopup(*found);
    if (lookup.IsMinimised(*found)) lookup.Show(*found);
    lookup.Show(popup);
    lookup.SetForeground(popup);
    return false;
}

} // namespace tarnwell
