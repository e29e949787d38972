#include "app/ui_translator.h"

#include "embedded_resources.h"

#include <cstdlib>
#include <sstream>

namespace tarnwell {

namespace {

// The locale the interface speaks, as the C library would choose it.
std::string InterfaceLocaleName() {
    for (const char* variable : {"LC_ALL", "LC_MESSAGES", "LANG"}) {
        const char* value = std::getenv(variable);
        if (value != nullptr && value[0] != '\0') return value;
    }
    return "C";
}

} // namespace

UiTranslator::UiTranslator() : chinese_(IsChineseLocale(InterfaceLocaleName())) {}

UiTranslator& UiTranslator::Instance() {
    static UiTranslator instance;
    return instance;
}

bool UiTranslator::IsChineseLocale(const std::string& localeName) { return localeName.rfind("zh", 0) == 0; }

std::string UiTranslator::LoadText(int id) const {
    std::istringstream table{std::string(kResource_labels_tsv)};
    std::string line;
    while (std::getline(table, line)) {
        if (line.empty() || line[0] == '#') continue;
        size_t firstTab = line.find('\t');
        size_t secondTab = line.find('\t', firstTab + 1);
        if (firstTab == std::string::npos || secondTab == std::string::npos) continue;
        if (std::atoi(line.substr(0, firstTab).c_str()) != id) continue;
        return chinese_ ? line.substr(secondTab + 1) : line.substr(firstTab + 1, secondTab - firstTab - 1);
    }
    return {};
}

void UiTranslator::LocaliseDialogTexts(LocalisableDialog& dialog) const {
    dialog.SetCaption(LoadText(102));
    std::vector<LocalisableDialog::Child> children = dialog.ChildrenInZOrder();
    for (size_t i = 0; i < children.size(); ++i) {
        if (children[i].isEdit) continue;
        std::string label = LoadText(children[i].controlId);
        if (!label.empty()) dialog.SetChildText(i, label);
    }
}

} // namespace tarnwell
