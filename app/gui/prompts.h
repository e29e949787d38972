#pragma once
// The one way the front end shows message and question boxes and the file
// and folder pickers, so tests can record what the operator would have seen
// and answer in the operator's place.
#include <QString>
#include <QStringList>

class QWidget;

namespace tarnwell {

class Prompts {
public:
    virtual ~Prompts() = default;
    // OK only, no icon.
    virtual void Message(QWidget* owner, const QString& caption, const QString& text) = 0;
    // Yes and No with the question icon; true for Yes.
    virtual bool Question(QWidget* owner, const QString& caption, const QString& text) = 0;
    // Files to open; empty when cancelled. `filter` is in Qt's form.
    virtual QStringList OpenFiles(QWidget* owner, const QString& filter, bool multiple) = 0;
    // A folder; empty when cancelled.
    virtual QString Folder(QWidget* owner, const QString& title) = 0;

    // The prompts in use: real message boxes unless a test installed others.
    static Prompts& Current();
    static void Install(Prompts* prompts); // nullptr restores the message boxes
};

} // namespace tarnwell
