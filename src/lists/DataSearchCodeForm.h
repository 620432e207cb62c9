#pragma once

#include <QDialog>

class QListWidget;

namespace db {
class Connection;
}

// "选择指标": the sheets on the left, the searchable fields of the chosen sheet
// on the right. "确认" or a double-click on a field takes it.
class TDataSearchCodeForm final : public QDialog {
    Q_OBJECT
public:
    explicit TDataSearchCodeForm(db::Connection& connection, QWidget* parent = nullptr);

    // The field taken, without surrounding blanks; empty when the field list was empty.
    QString chosenField() const { return chosen_; }
    QListWidget* sheets() const { return sheets_; }
    QListWidget* fields() const { return fields_; }

private:
    void showSheetFields(int sheetCode);
    void confirm();

    db::Connection& connection_;
    QListWidget* sheets_;
    QListWidget* fields_;
    QString chosen_;
};
