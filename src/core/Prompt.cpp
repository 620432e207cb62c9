#include "core/Prompt.h"

#include <cstdio>

namespace ui {
namespace {

class ConsolePrompter final : public Prompter {
public:
    void inform(const QString& text, const QString& title) override {
        std::fprintf(stderr, "%s: %s\n", qUtf8Printable(title), qUtf8Printable(text));
    }
    bool ask(const QString& text, const QString& title, AskStyle) override {
        inform(text, title);
        return false;
    }
    FileDialogAnswer chooseSaveFile(const FileDialogRequest&) override { return {}; }
    FileDialogAnswer chooseOpenFile(const FileDialogRequest&) override { return {}; }
    int askQuestion(const QString& text, int) override {
        inform(text, QStringLiteral("提示信息"));
        return qaCancel;
    }
    int chooseFromMenu(const QStringList&, int, QPoint) override { return -1; }
    bool inputText(const QString& caption, const QString& prompt, QString&) override {
        inform(prompt, caption);
        return false;
    }
};

ConsolePrompter consolePrompter;
Prompter* current = &consolePrompter;

} // namespace

Prompter& prompter() { return *current; }

void installPrompter(Prompter* p) { current = p ? p : &consolePrompter; }

QString applicationTitle() { return QStringLiteral("Varnel_基层以上（离线工具）"); }

void showMessage(const QString& text) { prompter().inform(text, applicationTitle()); }

bool askYesNo(const QString& text, const QString& title, AskStyle style) { return prompter().ask(text, title, style); }

int AskQuestion(const QString& text, int buttons) { return prompter().askQuestion(text, buttons); }

void showRunError(const QString& message, const QString& tail) {
    prompter().informError(QStringLiteral("运行中发生错误：") + message + tail, applicationTitle());
}

} // namespace ui
