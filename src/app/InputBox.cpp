#include "app/InputBox.h"

#include <QFontMetrics>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <algorithm>

TInputBox::TInputBox(const QString& caption, const QString& prompt, const QString& text, QWidget* parent)
    : QDialog(parent) {
    setWindowTitle(caption);
    setWindowFlags(Qt::Dialog | Qt::MSWindowsFixedSizeDialogHint | Qt::WindowTitleHint | Qt::WindowCloseButtonHint);
    // Sizes in quarters of the average character width and eighths of the line height.
    const QFontMetrics metrics(font());
    const int unitX = std::max(1, metrics.averageCharWidth());
    const int unitY = metrics.height();
    const int margin = 2 * unitX;
    const int inner = 41 * unitX;

    auto* label = new QLabel(prompt, this);
    label->setObjectName(QStringLiteral("Prompt"));
    label->setWordWrap(true);
    label->setFixedWidth(inner);
    label->adjustSize();
    label->move(margin, unitY / 2);

    edit_ = new QLineEdit(this);
    edit_->setObjectName(QStringLiteral("Edit"));
    edit_->setMaxLength(255);
    edit_->setText(text);
    edit_->selectAll();
    edit_->setGeometry(margin, label->geometry().bottom() + unitY / 2, inner, unitY + 8);

    const int buttonWidth = 12 * unitX + 16;
    const int buttonTop = edit_->geometry().bottom() + unitY;
    auto* ok = new QPushButton(QStringLiteral("确定"), this);
    ok->setObjectName(QStringLiteral("OK"));
    ok->setDefault(true);
    auto* cancel = new QPushButton(QStringLiteral("取消"), this);
    cancel->setObjectName(QStringLiteral("Cancel"));
    const int width = inner + 2 * margin;
    ok->setGeometry(width / 2 - buttonWidth - unitX / 2, buttonTop, buttonWidth, unitY + 10);
    cancel->setGeometry(width / 2 + unitX / 2, buttonTop, buttonWidth, unitY + 10);
    connect(ok, &QPushButton::clicked, this, &QDialog::accept);
    connect(cancel, &QPushButton::clicked, this, &QDialog::reject);
    setFixedSize(width, ok->geometry().bottom() + unitY);
    edit_->setFocus();
}

QString TInputBox::text() const { return edit_->text(); }
