#include "entry/ButtonEdit.h"

#include "core/Prompt.h"

#include <QKeyEvent>
#include <QStyle>
#include <QToolButton>

TButtonEdit::TButtonEdit(QWidget* parent) : QLineEdit(parent), button_(new QToolButton(this)) {
    setReadOnly(true);
    setFocusPolicy(Qt::ClickFocus);
    button_->setArrowType(Qt::DownArrow);
    button_->setCursor(Qt::ArrowCursor);
    button_->setFocusPolicy(Qt::NoFocus);
    setTextMargins(0, 0, 20, 0);
    connect(button_, &QToolButton::clicked, this, &TButtonEdit::buttonClicked);
}

void TButtonEdit::keyPressEvent(QKeyEvent* event) {
    if (event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter) {
        focusNextChild();
        return;
    }
    QLineEdit::keyPressEvent(event);
}

void TButtonEdit::resizeEvent(QResizeEvent* event) {
    QLineEdit::resizeEvent(event);
    const int side = height() - 4;
    button_->setGeometry(width() - side - 2, 2, side, side);
}

void ShowCodePicker(TButtonEdit* edit, const TMenuItemDataArray& list, const std::function<void(int)>& chosen) {
    QStringList captions;
    int checked = -1;
    for (size_t i = 0; i < list.size(); ++i) {
        captions << list[i].name;
        if (list[i].code == edit->tag()) checked = int(i);
    }
    // 10 pixels left of the edit's right edge and 30 pixels above its bottom edge.
    const QPoint at = edit->mapToGlobal(QPoint(edit->width() - 10, edit->height() - 30));
    const int index = ui::prompter().chooseFromMenu(captions, checked, at);
    if (index < 0 || index >= int(list.size())) return;
    edit->setText(captions[index].trimmed());
    edit->setTag(list[size_t(index)].code);
    if (chosen) chosen(list[size_t(index)].code);
}
