#pragma once

#include <QPoint>
#include <QString>
#include <QStringList>

// Every modal message, question and file dialog of the system goes through the
// prompter, so that the windows stay testable: tests install a prompter that
// answers from a script and records every text it was shown.
namespace ui {

struct FileDialogRequest {
    QString title;
    QString folder;        // initial folder
    QString fileName;      // proposed name, empty for none
    QStringList filters;   // e.g. "Access文件(*.mdb)"
    bool confirmOverwrite = true;
    bool multiple = false; // open dialogs: several existing files may be chosen
};

struct FileDialogAnswer {
    QString path;          // empty when the user cancelled; the first file of several
    int filterIndex = 0;   // the filter chosen, 0-based
    QStringList paths;     // every file chosen (`path` alone when only one)
};

// How a Yes/No question looks: a question icon with Yes as the default answer,
// or, for a step that changes much, a warning icon with No as the default.
enum class AskStyle { Question, Warning };

// Buttons of the question dialog and the answers it gives.
enum QuestionButton { qbYes = 1, qbNo = 2, qbYesToAll = 4, qbNoToAll = 8 };
enum QuestionAnswer { qaCancel = 2, qaYes = 6, qaNo = 7, qaNoToAll = 9, qaYesToAll = 10 };

class Prompter {
public:
    virtual ~Prompter() = default;
    // A message box with an OK button.
    virtual void inform(const QString& text, const QString& title) = 0;
    // The same for an error, which a window shows with the critical icon.
    virtual void informError(const QString& text, const QString& title) { inform(text, title); }
    // A question with Yes and No; true for Yes.
    virtual bool ask(const QString& text, const QString& title, AskStyle style) = 0;
    virtual FileDialogAnswer chooseSaveFile(const FileDialogRequest& request) = 0;
    virtual FileDialogAnswer chooseOpenFile(const FileDialogRequest& request) = 0;
    // The question dialog with the buttons of `buttons` (QuestionButton flags); a QuestionAnswer.
    virtual int askQuestion(const QString& text, int buttons) = 0;
    // A pop-up menu of `captions` at `screenPos`, `checked` marked (-1: none);
    // the index chosen, or -1 when nothing was chosen.
    virtual int chooseFromMenu(const QStringList& captions, int checked, QPoint screenPos) = 0;
    // The input box: `caption`, `prompt` and one line pre-filled with `text`.
    // True with the answer in `text` on "确定"; false (and `text` unchanged) otherwise.
    virtual bool inputText(const QString& caption, const QString& prompt, QString& text) = 0;
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
bool askYesNo(const QString& text, const QString& title = QStringLiteral("提示信息"),
              AskStyle style = AskStyle::Question);
int AskQuestion(const QString& text, int buttons);
// The tail of a run error that a command caught.
inline QString contactTail() { return QStringLiteral(",请与软件发行者联系。"); }
// "运行中发生错误：" + message + the tail the caller's handler uses.
void showRunError(const QString& message, const QString& tail = {});

} // namespace ui
