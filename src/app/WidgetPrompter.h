#pragma once

#include "core/Prompt.h"

// Shows prompts as the desktop's message boxes and file dialogs.
class WidgetPrompter final : public ui::Prompter {
public:
    void inform(const QString& text, const QString& title) override;
    void informError(const QString& text, const QString& title) override;
    bool ask(const QString& text, const QString& title, ui::AskStyle style) override;
    ui::FileDialogAnswer chooseSaveFile(const ui::FileDialogRequest& request) override;
    ui::FileDialogAnswer chooseOpenFile(const ui::FileDialogRequest& request) override;
    int askQuestion(const QString& text, int buttons) override;
    int chooseFromMenu(const QStringList& captions, int checked, QPoint screenPos) override;
    bool inputText(const QString& caption, const QString& prompt, QString& text) override;
};
