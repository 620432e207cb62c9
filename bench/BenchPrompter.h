#pragma once

#include "core/Prompt.h"

// Answers every question Yes, the save dialog with one file, and shows
// nothing, so that the exports and imports run unattended.
class BenchPrompter final : public ui::Prompter {
public:
    explicit BenchPrompter(QString path = {}) : path_(std::move(path)) {}
    void inform(const QString&, const QString&, ui::MessageKind) override {}
    bool ask(const QString&, const QString&, ui::AskStyle) override { return true; }
    ui::FileDialogAnswer chooseSaveFile(const ui::FileDialogRequest&) override {
        ui::FileDialogAnswer answer;
        answer.path = path_;
        return answer;
    }
    ui::FileDialogAnswer chooseOpenFile(const ui::FileDialogRequest&) override { return {}; }
    int askQuestion(const QString&, int) override { return ui::qaYes; }
    int chooseFromMenu(const QStringList&, int, QPoint) override { return -1; }
    bool inputText(const QString&, const QString&, QString&) override { return true; }

private:
    QString path_;
};
