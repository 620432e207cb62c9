#include "cli/Console.h"

#include "core/Platform.h"

#include <QFileInfo>
#include <cstdio>
#include <unistd.h>

namespace {

// Message boxes break lines with "\n\r" in places; a terminal wants "\n".
QString consoleText(QString text) {
    text.replace(QStringLiteral("\n\r"), QStringLiteral("\n"));
    text.replace(u'\r', u'\n');
    return text;
}

void writeLine(std::FILE* stream, const QString& text) {
    // On a terminal a line of text takes the place of the progress line, which the next step draws again.
    if (ConsoleProgress::wanted()) std::fputs("\r\033[K", stderr);
    const QByteArray bytes = consoleText(text).toUtf8();
    std::fwrite(bytes.constData(), 1, size_t(bytes.size()), stream);
    std::fputc('\n', stream);
    std::fflush(stream);
}

} // namespace

void printError(const QString& text) { writeLine(stderr, text); }

void printOutput(const QString& text) { writeLine(stdout, text); }

void ConsolePrompter::inform(const QString& text, const QString&, ui::MessageKind) { printError(text); }

bool ConsolePrompter::answerQuestion(const QString& text) {
    if (answers_.yes) {
        printError(text + QStringLiteral(" —— 是（--yes）"));
        return true;
    }
    printError(text + QStringLiteral(" —— 否（要回答“是”，请加上 --yes）"));
    return false;
}

bool ConsolePrompter::ask(const QString& text, const QString&, ui::AskStyle) { return answerQuestion(text); }

int ConsolePrompter::askQuestion(const QString& text, int) {
    return answerQuestion(text) ? ui::qaYes : ui::qaNo;
}

ui::FileDialogAnswer ConsolePrompter::chooseSaveFile(const ui::FileDialogRequest& request) {
    if (answers_.saveAs.isEmpty()) return {};
    if (request.confirmOverwrite && QFileInfo::exists(answers_.saveAs) && !answers_.yes) {
        printError(QStringLiteral("文件“%1”已经存在，没有覆盖它（要覆盖，请加上 --yes）。").arg(answers_.saveAs));
        return {};
    }
    return {answers_.saveAs, 0, {answers_.saveAs}};
}

// The commands name their files on the command line; no operation they run opens a dialog for one.
ui::FileDialogAnswer ConsolePrompter::chooseOpenFile(const ui::FileDialogRequest&) { return {}; }

int ConsolePrompter::chooseFromMenu(const QStringList&, int, QPoint) { return -1; }

bool ConsolePrompter::inputText(const QString& caption, const QString& prompt, QString& text) {
    if (answers_.label) {
        text = *answers_.label;
        answers_.label.reset();
        return true;
    }
    printError(caption + QStringLiteral("：") + prompt + QStringLiteral(" —— 没有回答（请用 --label 给出）"));
    return false;
}

bool ConsoleProgress::wanted() { return isatty(STDERR_FILENO) == 1; }

void ConsoleProgress::start(int total, int done) {
    total_ = total;
    done_ = done;
    show();
}

void ConsoleProgress::step() {
    const qint64 before = percent();
    ++done_;
    if (percent() != before) show();
}

void ConsoleProgress::hide() {
    if (!shown_) return;
    std::fputs("\r\033[K", stderr);
    std::fflush(stderr);
    shown_ = false;
}

qint64 ConsoleProgress::percent() const { return total_ > 0 ? qint64(done_) * 100 / total_ : 100; }

void ConsoleProgress::show() {
    const QByteArray line = QStringLiteral("\r\033[K%1 %2/%3 (%4%)")
                                .arg(caption_.isEmpty() ? QStringLiteral("进度") : caption_)
                                .arg(done_)
                                .arg(total_)
                                .arg(percent())
                                .toUtf8();
    std::fputs(line.constData(), stderr);
    std::fflush(stderr);
    shown_ = true;
}

ConsoleSession::ConsoleSession(ConsoleAnswers answers)
    : prompter_(std::move(answers)), showProgress_(ConsoleProgress::wanted()) {
    ui::installPrompter(&prompter_);
    if (showProgress_) ui::installProgress(&progress_);
    setFileOpener([this](const QString& path) {
        opened_ << path;
        printOutput(path);
    });
}

ConsoleSession::~ConsoleSession() {
    progress_.hide();
    setFileOpener({});
    ui::installProgress(nullptr);
    ui::installPrompter(nullptr);
}
