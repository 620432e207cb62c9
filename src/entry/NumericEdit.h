#pragma once

#include <QLineEdit>

// A numeric edit of the entry form: it holds a number, kept within its minimum
// and maximum when the user leaves it, takes only digits (and a decimal point
// where decimals are allowed),
// and shows its display format when it does not have the focus: ",#" with
// thousands separators, "#,##0.00" an amount with thousands separators and two
// decimals, "#" plain, "000000" always six digits. A blank field reads as the
// blank value.
class TNumericEdit final : public QLineEdit {
    Q_OBJECT
public:
    enum class Format { Plain, Thousands, Amount, SixDigits };
    explicit TNumericEdit(QWidget* parent = nullptr);

    void setLimits(double minimum, double maximum, int maxLength, bool decimals);
    void setFormat(Format format);
    void setBlankValue(double value) { blankValue_ = value; }
    double minimum() const { return minimum_; }
    double maximum() const { return maximum_; }
    bool decimals() const { return decimals_; }

    // The value; blank reads as the blank value.
    double value() const;
    void setValue(double value);
    // What was typed, without the display format; empty when blank. While the
    // focus leaves, before the limits are applied, it is the text as typed.
    QString plainText() const;
    bool isBlank() const { return plainText().isEmpty(); }

signals:
    // The number changed, by typing or by setValue.
    void contentChanged();

protected:
    void focusInEvent(QFocusEvent* event) override;
    void focusOutEvent(QFocusEvent* event) override;

private:
    void showFormatted();
    double minimum_ = 0;
    double maximum_ = 99999999;
    double blankValue_ = 0;
    bool decimals_ = false;
    Format format_ = Format::Thousands;
    QString plain_;  // the number as typed, kept while the display format shows
};
