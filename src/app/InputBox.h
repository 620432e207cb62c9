#pragma once

#include <QDialog>

class QLineEdit;

// The input box: a caption, a word-wrapped prompt, one line of at most 255
// characters pre-filled with the current text and fully selected, and the
// buttons "确定" (default) and "取消". Its size follows the average character
// width of its font.
class TInputBox final : public QDialog {
    Q_OBJECT
public:
    TInputBox(const QString& caption, const QString& prompt, const QString& text, QWidget* parent = nullptr);
    QString text() const;

private:
    QLineEdit* edit_;
};
