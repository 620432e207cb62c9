#pragma once

#include "checks/BatchCheck.h"
#include "core/Progress.h"
#include "core/Prompt.h"

#include <QString>
#include <QStringList>
#include <optional>

// The command line's side of the prompts, progress and file opening: the
// operations the desktop carries out behind dialogs run unchanged, and what a
// dialog would collect comes from the command's flags.

// What the flags of a command answer.
struct ConsoleAnswers {
    bool yes = false;              // --yes: every question is answered Yes, existing files are replaced
    QString saveAs;                // the file a save dialog gets
    std::optional<QString> label;  // the text the first input box gets (--label)
};

// Messages go to stderr in the words of the message boxes. A question is
// answered by --yes or refused with a message naming the flag; an input box
// gets --label once (a second box, asked because the first answer was not
// taken, is refused). A save dialog gets the command's output file; an
// existing one is replaced only with --yes.
class ConsolePrompter final : public ui::Prompter {
public:
    explicit ConsolePrompter(ConsoleAnswers answers) : answers_(std::move(answers)) {}
    void inform(const QString& text, const QString& title, ui::MessageKind kind) override;
    bool ask(const QString& text, const QString& title, ui::AskStyle style) override;
    ui::FileDialogAnswer chooseSaveFile(const ui::FileDialogRequest& request) override;
    ui::FileDialogAnswer chooseOpenFile(const ui::FileDialogRequest& request) override;
    int askQuestion(const QString& text, int buttons) override;
    int chooseFromMenu(const QStringList& captions, int checked, QPoint screenPos) override;
    bool inputText(const QString& caption, const QString& prompt, QString& text) override;

private:
    bool answerQuestion(const QString& text);
    ConsoleAnswers answers_;
};

// Writes a line to stderr.
void printError(const QString& text);
// Writes a line to stdout.
void printOutput(const QString& text);

// Progress on stderr, one line rewritten in place; only for a terminal.
class ConsoleProgress final : public ui::ProgressSink {
public:
    // True when stderr is a terminal, so progress is worth showing.
    static bool wanted();
    void setCaption(const QString& caption) override { caption_ = caption; }
    void start(int total, int done) override;
    void step() override;  // draws the line again when the percentage changed
    void hide() override;

private:
    qint64 percent() const;
    void show();
    QString caption_;
    int total_ = 0;
    int done_ = 0;
    bool shown_ = false;
};

// Installs the prompter, the progress (on a terminal) and a file opener that
// prints the path instead of opening it; the destructor takes them back.
class ConsoleSession {
public:
    explicit ConsoleSession(ConsoleAnswers answers);
    ~ConsoleSession();
    ConsoleSession(const ConsoleSession&) = delete;
    ConsoleSession& operator=(const ConsoleSession&) = delete;

    ConsolePrompter& prompter() { return prompter_; }
    // The progress on a terminal, nullptr otherwise.
    ConsoleProgress* progress() { return showProgress_ ? &progress_ : nullptr; }
    // The files the operations asked to open, in order.
    const QStringList& opened() const { return opened_; }

private:
    ConsolePrompter prompter_;
    ConsoleProgress progress_;
    bool showProgress_;
    QStringList opened_;
};
