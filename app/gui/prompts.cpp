#include "app/gui/prompts.h"

#include <QFileDialog>
#include <QMessageBox>

namespace tarnwell {

namespace {

class MessageBoxPrompts : public Prompts {
public:
    void Message(QWidget* owner, const QString& caption, const QString& text) override {
        QMessageBox box(QMessageBox::NoIcon, caption, text, QMessageBox::Ok, owner);
        box.exec();
    }
    bool Question(QWidget* owner, const QString& caption, const QString& text) override {
        QMessageBox box(QMessageBox::Question, caption, text, QMessageBox::Yes | QMessageBox::No, owner);
        return box.exec() == QMessageBox::Yes;
    }
    QStringList OpenFiles(QWidget* owner, const QString& filter, bool multiple) override {
        if (multiple) return QFileDialog::getOpenFileNames(owner, QString(), QString(), filter);
        QString file = QFileDialog::getOpenFileName(owner, QString(), QString(), filter);
        return file.isEmpty() ? QStringList() : QStringList{file};
    }
    QString Folder(QWidget* owner, const QString& title) override {
        return QFileDialog::getExistingDirectory(owner, title);
    }
};

MessageBoxPrompts messageBoxes;
Prompts* installed = nullptr;

} // namespace

Prompts& Prompts::Current() { return installed != nullptr ? *installed : messageBoxes; }

void Prompts::Install(Prompts* prompts) { installed = prompts; }

} // namespace tarnwell
