#pragma once
// String resources (the label table) and the relabelling of dialogs.
#include <string>
#include <vector>

namespace tarnwell {

// What LocaliseDialogTexts needs of a dialog: its caption and its direct
// children in z-order.
class LocalisableDialog {
public:
    struct Child {
        int controlId;
        bool isEdit;
    };
    virtual ~LocalisableDialog() = default;
    virtual void SetCaption(const std::string& text) = 0;
    virtual std::vector<Child> ChildrenInZOrder() const = 0;
    virtual void SetChildText(size_t index, const std::string& text) = 0;
};

class UiTranslator {
public:
    static UiTranslator& Instance();

    // The label with this id in the language the system's interface uses
    // (Chinese on a Chinese locale, English on any other); empty when none.
    std::string LoadText(int id) const;
    std::string TranslateText(const std::string& text) const { return text; }
    void LocaliseDialogTexts(LocalisableDialog& dialog) const;

    bool ResourcesInChinese() const { return chinese_; }
    // For tests: resolve labels as on a Chinese (true) or another system.
    void SetResourcesInChinese(bool chinese) { chinese_ = chinese; }

    // A locale name such as "zh_CN.UTF-8" is Chinese; "C", "en_US" are not.
    static bool IsChineseLocale(const std::string& localeName);

private:
    UiTranslator();
    bool chinese_ = false;
};

} // namespace tarnwell
