#pragma once

#include <QLineEdit>

// A single-line text edit that filters typed characters: in the validate mode
// only the characters of ValidChars pass, in the forbid mode the characters of
// ForbidChars are dropped. Backspace always passes. With a byte limit, typed
// text is taken only as far as the whole text stays within that many bytes of
// GB18030, the encoding its column is measured in. Text committed by an input
// method passes the same filter and limit.
class TQuValidEdit final : public QLineEdit {
    Q_OBJECT
public:
    enum TCheckType { tcValidate, tcForbid };
    explicit TQuValidEdit(QWidget* parent = nullptr);

    void setCheckType(TCheckType type) { checkType_ = type; }
    void setValidChars(const QString& chars) { validChars_ = chars; }
    void setForbidChars(const QString& chars) { forbidChars_ = chars; }
    TCheckType checkType() const { return checkType_; }
    // Whether a typed character passes the filter.
    bool passes(QChar c) const;
    // The most GB18030 bytes the text may take; 0 for no limit.
    void setByteLimit(int bytes) { byteLimit_ = bytes; }
    int byteLimit() const { return byteLimit_; }

protected:
    void keyPressEvent(QKeyEvent* event) override;
    void inputMethodEvent(QInputMethodEvent* event) override;

private:
    // What of `incoming` may go in place of the selection: the characters that
    // pass the filter, as many as fit the byte limit.
    QString admitted(const QString& incoming) const;
    TCheckType checkType_ = tcForbid;
    QString validChars_;
    QString forbidChars_;
    int byteLimit_ = 0;
};
