#include "app/WidgetPrompter.h"

#include "app/InputBox.h"
#include "app/QuestionDialog.h"

#include <QApplication>
#include <QFileDialog>
#include <QMenu>
#include <QMessageBox>

namespace {

ui::FileDialogAnswer runFileDialog(const ui::FileDialogRequest& request, QFileDialog::AcceptMode mode) {
    QFileDialog dialog(QApplication::activeWindow(), request.title, request.folder);
    dialog.setAcceptMode(mode);
    dialog.setFileMode(mode == QFileDialog::AcceptSave ? QFileDialog::AnyFile : QFileDialog::ExistingFile);
    dialog.setNameFilters(request.filters);
    if (!request.confirmOverwrite) dialog.setOption(QFileDialog::DontConfirmOverwrite);
    if (!request.fileName.isEmpty()) dialog.selectFile(request.fileName);
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty()) return {};
    return {dialog.selectedFiles().constFirst(), int(request.filters.indexOf(dialog.selectedNameFilter()))};
}

} // namespace

void WidgetPrompter::inform(const QString& text, const QString& title) {
    QMessageBox::information(QApplication::activeWindow(), title, text);
}

bool WidgetPrompter::ask(const QString& text, const QString& title) {
    return QMessageBox::question(QApplication::activeWindow(), title, text, QMessageBox::Yes | QMessageBox::No)
           == QMessageBox::Yes;
}

ui::FileDialogAnswer WidgetPrompter::chooseSaveFile(const ui::FileDialogRequest& request) {
    return runFileDialog(request, QFileDialog::AcceptSave);
}

ui::FileDialogAnswer WidgetPrompter::chooseOpenFile(const ui::FileDialogRequest& request) {
    return runFileDialog(request, QFileDialog::AcceptOpen);
}

int WidgetPrompter::askQuestion(const QString& text, int buttons) {
    TQuestionDlg dialog(text, buttons, QApplication::activeWindow());
    dialog.exec();
    return dialog.answer();
}

int WidgetPrompter::chooseFromMenu(const QStringList& captions, int checked, QPoint screenPos) {
    // The one pop-up menu of the code pickers.
    QMenu menu(QStringLiteral("CodePopupMenu"));
    for (int i = 0; i < captions.size(); ++i) {
        QAction* item = menu.addAction(captions[i]);
        item->setCheckable(true);
        item->setChecked(i == checked);
        item->setData(i);
    }
    QAction* chosen = menu.exec(screenPos);
    return chosen ? chosen->data().toInt() : -1;
}

bool WidgetPrompter::inputText(const QString& caption, const QString& prompt, QString& text) {
    TInputBox box(caption, prompt, text, QApplication::activeWindow());
    if (box.exec() != QDialog::Accepted) return false;
    text = box.text();
    return true;
}
