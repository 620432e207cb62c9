#pragma once

#include <QGroupBox>

class QLineEdit;
class QRadioButton;

// The options by which a dialog chooses the records it works on: "选中的数据"
// (chosen at start), "所有的数据", or "指定单位编号的范围" with the first and
// last unit code typed after "从" and "到" (digits only, at most 12).
class RecordChoiceBox final : public QGroupBox {
public:
    RecordChoiceBox(const QString& title, QWidget* parent);

    QRadioButton* selected() const { return selected_; }
    QRadioButton* allRecords() const { return allRecords_; }
    QRadioButton* range() const { return range_; }
    QLineEdit* firstCode() const { return firstCode_; }
    QLineEdit* lastCode() const { return lastCode_; }

private:
    QRadioButton* selected_;
    QRadioButton* allRecords_;
    QRadioButton* range_;
    QLineEdit* firstCode_;
    QLineEdit* lastCode_;
};
