#pragma once

#include <QString>
#include <QStringList>

// Every modal message, question and file dialog of the system goes through the
// prompter, so that the windows stay testable: tests install a prompter that
// answers from a script and records every text it was shown.
namespace ui {

struct FileDialogRequest {
    QString title;
    QString folder;        // initial folder
    QStringList filters;   // e.g. "Access文件(*.mdb)"
    bool confirmOverwrite = true;
};

struct FileDialogAnswer {
    QString path;          // empty when the user cancelled
    int filterIndex = 0;   // the filter chosen, 0-based
};

class Prompter {
public:
    virtual ~Prompter() = default;
    // A message box with an OK button.
    virtual void inform(const QString& text, const QString& title) = 0;
    // A question with Yes and No; true for Yes.
    virtual bool ask(const QString& text, const QString& title) = 0;
    virtual FileDialogAnswer chooseSaveFile(const FileDialogRequest& request) = 0;
    virtual FileDialogAnswer chooseOpenFile(const FileDialogRequest& request) = 0;
};

// The prompter in use. Until the windows install theirs, messages go to the
// standard error stream and questions are answered No.
Prompter& prompter();
// Installs a prompter (not owned); nullptr restores the default.
void installPrompter(Prompter* prompter);

// The title of the program's plain message boxes.
QString applicationTitle();
// Shorthands.
void showMessage(const QString& text);
bool askYesNo(const QString& text, const QString& title = QStringLiteral("提示信息"));
// "运行中发生错误：" + message + the tail the caller's handler uses.
void showRunError(const QString& message, const QString& tail = {});

} // namespace ui
