#pragma once
// A dialog template as data: caption, size and font, then the controls in
// z-order with their id, kind, text, position and size in dialog units.
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace tarnwell {

enum class ControlKind {
    Static, Icon, PushButton, DefPushButton, CheckBox, Edit, Combo,
    IpAddress, DatePicker, TimePicker, Progress, ListView,
};

struct ControlTemplate {
    int id = -1;
    ControlKind kind = ControlKind::Static;
    std::string text;
    int x = 0, y = 0, width = 0, height = 0;
    bool shown = true;
    bool enabled = true;
    std::string accessibleName; // empty: the control's own text
};

struct DialogTemplate {
    std::string caption;
    int width = 0, height = 0;
    std::string fontFamily;
    int fontPoints = 9;
    std::vector<ControlTemplate> controls;

    const ControlTemplate* Find(int id) const;
};

// Parses the tab-separated template text; nothing when it is malformed.
std::optional<DialogTemplate> ParseDialogTemplate(std::string_view text);
// The templates the program carries: 100 about box, 102 console, 130 search.
const DialogTemplate& BuiltInDialogTemplate(int resourceId);

} // namespace tarnwell
