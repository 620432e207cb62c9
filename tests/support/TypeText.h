#pragma once

#include <QApplication>
#include <QInputMethodEvent>
#include <QTest>

namespace test {

// Types text as a clerk does: ASCII on the keyboard, other characters through
// the input method, which commits them whole.
inline void typeText(QWidget* widget, const QString& text) {
    for (qsizetype i = 0; i < text.size();) {
        const qsizetype length = text[i].isHighSurrogate() ? 2 : 1;
        const QString piece = text.mid(i, length);
        if (piece[0].unicode() < 128) {
            QTest::keyClicks(widget, piece);
        } else {
            QInputMethodEvent commit;
            commit.setCommitString(piece);
            QApplication::sendEvent(widget, &commit);
        }
        i += length;
    }
}

} // namespace test
