#include "platform/windows/desktop_window_lookup.h"

#include <windows.h>

namespace tarnwell {

namespace {

// The window class of every dialog box.
constexpr char kDialogClass[] = "#32770";

HWND Native(WindowId window) { return reinterpret_cast<HWND>(static_cast<uintptr_t>(window)); }

WindowId IdOf(HWND window) { return static_cast<WindowId>(reinterpret_cast<uintptr_t>(window)); }

} // namespace

std::optional<WindowId> DesktopWindowLookup::FindDialogWindow(const std::string& title) {
    HWND found = ::FindWindowA(kDialogClass, title.c_str());
    if (found == nullptr) return std::nullopt;
    return IdOf(found);
}

WindowId DesktopWindowLookup::LastActivePopup(WindowId window) { return IdOf(::GetLastActivePopup(Native(window))); }

bool DesktopWindowLookup::IsMinimised(WindowId window) { return ::IsIconic(Native(window)) != 0; }

void DesktopWindowLookup::Show(WindowId window) { ::ShowWindow(Native(window), SW_SHOW); }

void DesktopWindowLookup::SetForeground(WindowId window) { ::SetForegroundWindow(Native(window)); }

} // namespace tarnwell
