#include "app/dialog_template.h"

#include "embedded_resources.h"

#include <cstdlib>
#include <map>
#include <sstream>
#include <stdexcept>

namespace tarnwell {

namespace {

std::vector<std::string> SplitTabs(const std::string& line) {
    std::vector<std::string> fields;
    size_t start = 0;
    for (;;) {
        size_t tab = line.find('\t', start);
        fields.push_back(line.substr(start, tab == std::string::npos ? std::string::npos : tab - start));
        if (tab == std::string::npos) return fields;
        start = tab + 1;
    }
}

std::optional<ControlKind> KindNamed(const std::string& name) {
    static const std::map<std::string, ControlKind> kinds = {
        {"static", ControlKind::Static},       {"icon", ControlKind::Icon},
        {"pushbutton", ControlKind::PushButton}, {"defpushbutton", ControlKind::DefPushButton},
        {"checkbox", ControlKind::CheckBox},   {"edit", ControlKind::Edit},
        {"combo", ControlKind::Combo},         {"ipaddress", ControlKind::IpAddress},
        {"datepicker", ControlKind::DatePicker}, {"timepicker", ControlKind::TimePicker},
        {"progress", ControlKind::Progress},   {"listview", ControlKind::ListView},
    };
    auto found = kinds.find(name);
    if (found == kinds.end()) return std::nullopt;
    return found->second;
}

} // namespace

const ControlTemplate* DialogTemplate::Find(int id) const {
    for (const ControlTemplate& control : controls)
        if (control.id == id) return &control;
    return nullptr;
}

std::optional<DialogTemplate> ParseDialogTemplate(std::string_view text) {
    DialogTemplate dialog;
    bool haveHeader = false;
    std::istringstream lines{std::string(text)};
    std::string line;
    while (std::getline(lines, line)) {
        if (line.empty() || line[0] == '#') continue;
        std::vector<std::string> fields = SplitTabs(line);
        if (fields[0] == "dialog") {
            if (fields.size() < 6) return std::nullopt;
            dialog.caption = fields[1];
            dialog.width = std::atoi(fields[2].c_str());
            dialog.height = std::atoi(fields[3].c_str());
            dialog.fontFamily = fields[4];
            dialog.fontPoints = std::atoi(fields[5].c_str());
            haveHeader = true;
            continue;
        }
        if (fields.size() < 8) return std::nullopt;
        auto kind = KindNamed(fields[1]);
        if (!kind) return std::nullopt;
        ControlTemplate control;
        control.id = std::atoi(fields[0].c_str());
        control.kind = *kind;
        control.text = fields[2];
        control.x = std::atoi(fields[3].c_str());
        control.y = std::atoi(fields[4].c_str());
        control.width = std::atoi(fields[5].c_str());
        control.height = std::atoi(fields[6].c_str());
        control.shown = fields[7].find("hidden") == std::string::npos;
        control.enabled = fields[7].find("disabled") == std::string::npos;
        if (fields.size() > 8) control.accessibleName = fields[8];
        dialog.controls.push_back(control);
    }
    if (!haveHeader) return std::nullopt;
    return dialog;
}

const DialogTemplate& BuiltInDialogTemplate(int resourceId) {
    static const std::map<int, DialogTemplate> templates = [] {
        std::map<int, DialogTemplate> parsed;
        const std::pair<int, std::string_view> sources[] = {
            {100, kResource_dialog_100_tsv}, {102, kResource_dialog_102_tsv}, {130, kResource_dialog_130_tsv}};
        for (const auto& [id, text] : sources) {
            auto dialog = ParseDialogTemplate(text);
            if (!dialog) throw std::logic_error("built-in dialog template is malformed");
            parsed.emplace(id, std::move(*dialog));
        }
        return parsed;
    }();
    return templates.at(resourceId);
}

} // namespace tarnwell
