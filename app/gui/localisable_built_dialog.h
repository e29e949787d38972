#pragma once
// Relabelling for any dialog made by BuildDialog: its caption and the texts of
// its controls in template order. Edit fields keep their text.
#include "app/gui/dialog_builder.h"
#include "app/ui_translator.h"

class QDialog;

namespace tarnwell {

class LocalisableBuiltDialog : public LocalisableDialog {
public:
    LocalisableBuiltDialog(QDialog& dialog, const BuiltDialog& built) : dialog_(dialog), built_(built) {}

    void SetCaption(const std::string& text) override;
    std::vector<Child> ChildrenInZOrder() const override;
    void SetChildText(size_t index, const std::string& text) override;

private:
    QDialog& dialog_;
    const BuiltDialog& built_;
};

} // namespace tarnwell
