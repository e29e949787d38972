#pragma once
// Prompts that record what the operator would have seen and answer from queues.
#include "app/gui/prompts.h"

#include <QStringList>
#include <deque>
#include <vector>

namespace tarnwell::test {

class RecordingPrompts : public Prompts {
public:
    struct Shown {
        QString caption;
        QString text;
    };
    std::vector<Shown> messages;
    std::vector<Shown> questions;
    std::deque<bool> answers;
    std::deque<QStringList> files;
    std::deque<QString> folders;
    std::vector<QString> filters; // the filter of every file dialog shown

    void Message(QWidget*, const QString& caption, const QString& text) override { messages.push_back({caption, text}); }
    bool Question(QWidget*, const QString& caption, const QString& text) override {
        questions.push_back({caption, text});
        if (answers.empty()) return false;
        bool answer = answers.front();
        answers.pop_front();
        return answer;
    }
    QStringList OpenFiles(QWidget*, const QString& filter, bool) override {
        filters.push_back(filter);
        if (files.empty()) return {};
        QStringList chosen = files.front();
        files.pop_front();
        return chosen;
    }
    QString Folder(QWidget*, const QString&) override {
        if (folders.empty()) return {};
        QString chosen = folders.front();
        folders.pop_front();
        return chosen;
    }
    void Clear() {
        messages.clear();
        questions.clear();
    }

    static void InstallGlobal(RecordingPrompts* prompts) {
        current = prompts;
        Prompts::Install(prompts);
    }
    static RecordingPrompts& Current() { return *current; }

private:
    static inline RecordingPrompts* current = nullptr;
};

} // namespace tarnwell::test
