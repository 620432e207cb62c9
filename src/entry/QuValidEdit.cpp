#include "entry/QuValidEdit.h"

#include <QInputMethodEvent>
#include <QKeyEvent>

TQuValidEdit::TQuValidEdit(QWidget* parent) : QLineEdit(parent) {}

bool TQuValidEdit::passes(QChar c) const {
    if (checkType_ == tcValidate) return validChars_.contains(c);
    return !forbidChars_.contains(c);
}

QString TQuValidEdit::filtered(const QString& text) const {
    QString kept;
    for (const QChar c : text)
        if (passes(c)) kept += c;
    return kept;
}

void TQuValidEdit::keyPressEvent(QKeyEvent* event) {
    const QString typed = event->text();
    const bool printable = !typed.isEmpty() && typed[0].isPrint();
    if (printable && !(event->modifiers() & (Qt::ControlModifier | Qt::AltModifier))) {
        const QString kept = filtered(typed);
        if (kept.isEmpty()) return;
        if (kept != typed) {
            insert(kept);
            return;
        }
    }
    QLineEdit::keyPressEvent(event);
}

void TQuValidEdit::inputMethodEvent(QInputMethodEvent* event) {
    // Text committed by an input method passes the same filter.
    const QString kept = filtered(event->commitString());
    if (kept != event->commitString()) {
        QInputMethodEvent filteredEvent(event->preeditString(), event->attributes());
        filteredEvent.setCommitString(kept, event->replacementStart(), event->replacementLength());
        QLineEdit::inputMethodEvent(&filteredEvent);
        return;
    }
    QLineEdit::inputMethodEvent(event);
}
