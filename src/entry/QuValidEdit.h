#pragma once

#include <QLineEdit>

// A single-line text edit that filters typed characters: in the validate mode
// only the characters of ValidChars pass, in the forbid mode the characters of
// ForbidChars are dropped. Backspace always passes.
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

protected:
    void keyPressEvent(QKeyEvent* event) override;
    void inputMethodEvent(QInputMethodEvent* event) override;

private:
    QString filtered(const QString& text) const;
    TCheckType checkType_ = tcForbid;
    QString validChars_;
    QString forbidChars_;
};
