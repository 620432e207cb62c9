#include "entry/QuValidEdit.h"

#include "core/TextEncoding.h"

#include <QInputMethodEvent>
#include <QKeyEvent>

TQuValidEdit::TQuValidEdit(QWidget* parent) : QLineEdit(parent) {}

bool TQuValidEdit::passes(QChar c) const {
    if (checkType_ == tcValidate) return validChars_.contains(c);
    return !forbidChars_.contains(c);
}

QString TQuValidEdit::admitted(const QString& incoming) const {
    QString kept;
    for (const QChar c : incoming)
        if (passes(c)) kept += c;
    if (byteLimit_ <= 0) return kept;
    const qsizetype used = encodeGb18030(text()).size() - encodeGb18030(selectedText()).size();
    return cutToByteLimit(kept, std::max(0, byteLimit_ - int(used)));
}

void TQuValidEdit::keyPressEvent(QKeyEvent* event) {
    const QString typed = event->text();
    const bool printable = !typed.isEmpty() && typed[0].isPrint();
    if (printable && !(event->modifiers() & (Qt::ControlModifier | Qt::AltModifier))) {
        const QString kept = admitted(typed);
        if (kept.isEmpty()) return;
        if (kept != typed) {
            insert(kept);
            return;
        }
    }
    QLineEdit::keyPressEvent(event);
}

void TQuValidEdit::inputMethodEvent(QInputMethodEvent* event) {
    const QString kept = admitted(event->commitString());
    if (kept != event->commitString()) {
        QInputMethodEvent filteredEvent(event->preeditString(), event->attributes());
        filteredEvent.setCommitString(kept, event->replacementStart(), event->replacementLength());
        QLineEdit::inputMethodEvent(&filteredEvent);
        return;
    }
    QLineEdit::inputMethodEvent(event);
}
