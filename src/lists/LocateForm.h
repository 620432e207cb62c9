#pragma once

#include <QDialog>

class QLineEdit;
class QRadioButton;
class RecordGridView;
namespace db {
class Connection;
class RecordSet;
}

// "定位数据记录": moves the record list to a record found by its unit code or
// by its name, and closes when it found one.
class TdlgLocateForm final : public QDialog {
    Q_OBJECT
public:
    TdlgLocateForm(db::Connection& connection, db::RecordSet& list, RecordGridView& grid, QWidget* parent);

    void tbLocateClick();

protected:
    // The name field switches the input method on when it receives the focus.
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    db::Connection& connection_;
    db::RecordSet& list_;
    RecordGridView& grid_;
    QRadioButton* byCode_;
    QRadioButton* byName_;
    QLineEdit* code_;
    QLineEdit* name_;
};
