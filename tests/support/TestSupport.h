#pragma once

#include "core/Prompt.h"

#include <QDir>
#include <QString>
#include <QStringList>
#include <QTemporaryDir>
#include <deque>
#include <functional>
#include <optional>
#include <gtest/gtest.h>

// Readable texts in failure messages.
inline void PrintTo(const QString& text, std::ostream* out) { *out << '"' << text.toStdString() << '"'; }

namespace test {

// A prompter that records every text it is shown and answers questions and
// file dialogs from queues; an empty queue answers No or Cancel.
class RecordingPrompter final : public ui::Prompter {
public:
    void inform(const QString& text, const QString& title, ui::MessageKind kind) override;
    bool ask(const QString& text, const QString& title, ui::AskStyle style) override;
    ui::FileDialogAnswer chooseSaveFile(const ui::FileDialogRequest& request) override;
    ui::FileDialogAnswer chooseOpenFile(const ui::FileDialogRequest& request) override;
    int askQuestion(const QString& text, int buttons) override;
    int chooseFromMenu(const QStringList& captions, int checked, QPoint screenPos) override;
    bool inputText(const QString& caption, const QString& prompt, QString& text) override;

    QStringList messages;             // every text shown, in order
    QStringList errors;               // the texts of them shown as errors
    std::deque<bool> answers;         // answers to questions
    std::function<void()> whileAsking;  // runs while a Yes/No question is shown
    std::vector<ui::AskStyle> askStyles;  // the look of every question asked
    std::deque<QString> fileAnswers;  // paths for file dialogs
    std::deque<QStringList> fileSelections;  // files picked together in open dialogs that take several
    std::vector<ui::FileDialogRequest> fileRequests;
    std::deque<int> questionAnswers;  // answers to the question dialog; empty: cancel
    std::deque<int> menuChoices;      // indexes chosen from pop-up menus; empty: nothing
    QStringList lastMenu;             // the captions of the last menu, a check mark before the checked one
    std::deque<std::optional<QString>> inputAnswers;  // answers to input boxes; nullopt or empty: cancel
    QStringList inputPrompts;         // caption + "|" + prompt of every input box shown
    void clear();
};

RecordingPrompter& prompts();

// Installs the recording prompter for the whole run and clears it before each test.
class RecordingPrompterEnvironment final : public ::testing::Environment {
public:
    void SetUp() override;
    void TearDown() override;
};

// The program folder of the build, holding the generated system data file.
QString builtProgramFolder();
QString builtSystemDataFile();

// A private folder per test, with helpers to place files in it.
class TempFolder {
public:
    TempFolder();
    // A working database in the folder is closed and its file let go first.
    ~TempFolder();
    QString path(const QString& name) const;
    // A copy of the built system data file under `name`.
    QString copyOfSystemDataFile(const QString& name = QStringLiteral("survey.mdb")) const;

private:
    QTemporaryDir dir_;
};

QByteArray readAll(const QString& path);
void writeAll(const QString& path, const QByteArray& bytes);

} // namespace test
