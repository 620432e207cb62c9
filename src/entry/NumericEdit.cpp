#include "entry/NumericEdit.h"

#include <QRegularExpression>
#include <QValidator>
#include <cmath>

namespace {

// Accepts what may still become a number within the edit's limits.
class NumberValidator final : public QValidator {
public:
    explicit NumberValidator(const TNumericEdit* edit) : QValidator(const_cast<TNumericEdit*>(edit)), edit_(edit) {}

    State validate(QString& input, int&) const override {
        if (input.isEmpty()) return Acceptable;
        if (edit_->maxLength() > 0 && input.size() > edit_->maxLength()) return Invalid;
        int points = 0;
        for (const QChar c : input) {
            if (c == QLatin1Char('.') && edit_->decimals() && ++points == 1) continue;
            if (!c.isDigit() || c.unicode() > 127) return Invalid;
        }
        if (input == QLatin1String(".")) return Intermediate;
        return input.toDouble() <= edit_->maximum() ? Acceptable : Invalid;
    }

private:
    const TNumericEdit* edit_;
};

QString plainNumber(double value, bool decimals) {
    if (!decimals || value == std::trunc(value)) return QString::number(qint64(std::llround(value)));
    return QString::number(value, 'f', 6).remove(QRegularExpression(QStringLiteral("0+$"))).remove(QRegularExpression(QStringLiteral("\\.$")));
}

} // namespace

TNumericEdit::TNumericEdit(QWidget* parent) : QLineEdit(parent) {
    setValidator(new NumberValidator(this));
    setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    setMaxLength(32767);
    // Every change of the text shown while editing is the number as typed, so
    // whoever reads the value, even while the focus leaves, sees what was typed.
    // (The display format is set with the signals blocked.) An edit by the
    // user is signalled before the text change, so it takes the number itself
    // before it reports the new content.
    connect(this, &QLineEdit::textChanged, this, [this](const QString& typed) { plain_ = typed; });
    connect(this, &QLineEdit::textEdited, this, [this](const QString& typed) {
        plain_ = typed;
        emit contentChanged();
    });
}

void TNumericEdit::setLimits(double minimum, double maximum, int maxLength, bool decimals) {
    minimum_ = minimum;
    maximum_ = maximum;
    decimals_ = decimals;
    setMaxLength(maxLength > 0 ? maxLength : 32767);
}

void TNumericEdit::setFormat(Format format) {
    format_ = format;
    if (!hasFocus()) showFormatted();
}

QString TNumericEdit::plainText() const { return plain_; }

double TNumericEdit::value() const {
    const QString typed = plainText();
    if (typed.isEmpty()) return blankValue_;
    return typed.toDouble();
}

void TNumericEdit::setValue(double value) {
    const QString typed = plainNumber(value, decimals_);
    const bool changed = typed != plainText();
    plain_ = typed;
    if (hasFocus()) {
        const QSignalBlocker quiet(this);
        setText(typed);
    } else {
        showFormatted();
    }
    if (changed) emit contentChanged();
}

void TNumericEdit::focusInEvent(QFocusEvent* event) {
    // The plain number is edited; the format returns when the focus leaves.
    if (text() != plain_) {
        const bool wasModified = isModified();
        setText(plain_);
        setModified(wasModified);
    }
    QLineEdit::focusInEvent(event);
}

void TNumericEdit::focusOutEvent(QFocusEvent* event) {
    if (!plain_.isEmpty()) {
        const double v = plain_.toDouble();
        if (v < minimum_ || v > maximum_) plain_ = plainNumber(std::clamp(v, minimum_, maximum_), decimals_);
    }
    QLineEdit::focusOutEvent(event);
    showFormatted();
}

void TNumericEdit::showFormatted() {
    QString shown = plain_;
    if (!shown.isEmpty()) {
        switch (format_) {
        case Format::Plain: break;
        case Format::SixDigits: shown = QStringLiteral("%1").arg(qint64(shown.toDouble()), 6, 10, QLatin1Char('0')); break;
        case Format::Amount: shown = QString::number(shown.toDouble(), 'f', 2); [[fallthrough]];
        case Format::Thousands: {
            const QString whole = shown.section(QLatin1Char('.'), 0, 0);
            const QString fraction = shown.contains(QLatin1Char('.')) ? QLatin1Char('.') + shown.section(QLatin1Char('.'), 1) : QString();
            QString grouped;
            for (qsizetype i = 0; i < whole.size(); ++i) {
                if (i > 0 && (whole.size() - i) % 3 == 0) grouped += QLatin1Char(',');
                grouped += whole[i];
            }
            shown = grouped + fraction;
            break;
        }
        }
    }
    const QSignalBlocker quiet(this);
    setText(shown);
}
