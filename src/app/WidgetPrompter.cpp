#include "app/WidgetPrompter.h"

#include "app/InputBox.h"
#include "app/QuestionDialog.h"
#include "widgets/DialogParts.h"

#include <QApplication>
#include <QFileDialog>
#include <QFileInfo>
#include <QLineEdit>
#include <QMenu>
#include <QMessageBox>
#include <QPushButton>

namespace {

// Qt's dialog reads names in double quotes as several files, so a name typed
// with a quote would be saved under part of it; this one takes the typed name as it stands.
class LiteralFileDialog final : public QFileDialog {
public:
    using QFileDialog::QFileDialog;
    QString typedPath;  // set when the typed name held a double quote

protected:
    void accept() override {
        const auto* edit = findChild<QLineEdit*>(QStringLiteral("fileNameEdit"));
        const QString typed = edit ? edit->text().trimmed() : QString();
        if (acceptMode() != AcceptSave || !typed.contains(QLatin1Char('"'))) {
            QFileDialog::accept();
            return;
        }
        const QString path = directory().absoluteFilePath(typed);
        if (QFileInfo::exists(path) && !testOption(DontConfirmOverwrite)) {
            QMessageBox box(QMessageBox::Warning, windowTitle(),
                            QCoreApplication::translate("QFileDialog", "%1 already exists.\nDo you want to replace it?")
                                .arg(QFileInfo(path).fileName()),
                            QMessageBox::Yes | QMessageBox::No, this);
            box.setDefaultButton(QMessageBox::No);
            box.button(QMessageBox::Yes)->setText(QStringLiteral("是"));
            box.button(QMessageBox::No)->setText(QStringLiteral("否"));
            if (box.exec() != QMessageBox::Yes) return;
        }
        typedPath = path;
        QDialog::accept();
    }
};

// The buttons and labels carry Chinese texts even where Qt's translations are not installed.
ui::FileDialogAnswer runFileDialog(const ui::FileDialogRequest& request, QFileDialog::AcceptMode mode) {
    LiteralFileDialog dialog(QApplication::activeWindow(), request.title, request.folder);
    // Qt's own dialog, so that these are the texts shown.
    dialog.setOption(QFileDialog::DontUseNativeDialog);
    dialog.setAcceptMode(mode);
    dialog.setLabelText(QFileDialog::LookIn, QStringLiteral("查找范围："));
    dialog.setLabelText(QFileDialog::FileName, QStringLiteral("文件名："));
    dialog.setLabelText(QFileDialog::FileType, QStringLiteral("文件类型："));
    dialog.setLabelText(QFileDialog::Accept, mode == QFileDialog::AcceptSave ? QStringLiteral("保存") : QStringLiteral("打开"));
    dialog.setLabelText(QFileDialog::Reject, QStringLiteral("取消"));
    dialog.setFileMode(mode == QFileDialog::AcceptSave ? QFileDialog::AnyFile
                       : request.multiple              ? QFileDialog::ExistingFiles
                                                       : QFileDialog::ExistingFile);
    dialog.setNameFilters(request.filters);
    if (!request.confirmOverwrite) dialog.setOption(QFileDialog::DontConfirmOverwrite);
    if (!request.fileName.isEmpty()) dialog.selectFile(request.fileName);
    if (dialog.exec() != QDialog::Accepted) return {};
    const QStringList files = dialog.typedPath.isEmpty() ? dialog.selectedFiles() : QStringList{dialog.typedPath};
    if (files.isEmpty()) return {};
    return {files.constFirst(), int(request.filters.indexOf(dialog.selectedNameFilter())), files};
}

void showMessageBox(QMessageBox::Icon icon, const QString& text, const QString& title) {
    QMessageBox box(icon, title, text, QMessageBox::Ok, QApplication::activeWindow());
    box.button(QMessageBox::Ok)->setText(QStringLiteral("确定"));
    box.exec();
}

} // namespace

void WidgetPrompter::inform(const QString& text, const QString& title, ui::MessageKind kind) {
    showMessageBox(kind == ui::MessageKind::Error ? QMessageBox::Critical : QMessageBox::Information, text, title);
}

bool WidgetPrompter::ask(const QString& text, const QString& title, ui::AskStyle style) {
    const bool warning = style == ui::AskStyle::Warning;
    QMessageBox box(warning ? QMessageBox::Warning : QMessageBox::Question, title, text, QMessageBox::Yes | QMessageBox::No,
                    QApplication::activeWindow());
    box.setDefaultButton(warning ? QMessageBox::No : QMessageBox::Yes);
    box.button(QMessageBox::Yes)->setText(QStringLiteral("是"));
    box.button(QMessageBox::No)->setText(QStringLiteral("否"));
    return box.exec() == QMessageBox::Yes;
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
        QAction* item = menu.addAction(LiteralCaption(captions[i]));
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
