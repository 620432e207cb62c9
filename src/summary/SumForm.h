#pragma once

#include "summary/SumTableList.h"

#include <QDialog>

namespace db {
class Connection;
}
class QComboBox;
class QListWidget;
class QListWidgetItem;
class QPushButton;
class QRadioButton;

// "数据汇总": the summary dialog, shown modally over `parent`.
void ShowSumDialog(db::Connection& connection, const QString& label, QWidget* parent);

// "数据分类汇总": the tables to summarise (kept in "sumtable.qv" from one use
// to the next), the breakdown (union level, reporting state or a custom
// grouping) and "汇  总", which fills the summary workbook and hands it to
// the user.
class TdlgSumForm final : public QDialog {
    Q_OBJECT
public:
    TdlgSumForm(db::Connection& connection, const QString& label, QWidget* parent);

    void tbSumClick();
    // The path of the last workbook made, empty when none.

    // Writes the list back to "sumtable.qv" however the dialog closes.
    void done(int result) override;

private:
    void showItems();
    // The ticks of the list as items_ holds them.
    void showChecks();
    void readItems();
    void loadGroupings();
    void tableListDoubleClick(QListWidgetItem* item);

    db::Connection& connection_;
    QString label_;
    std::vector<SumTableItem> items_;
    QListWidget* tableList_;
    QRadioButton* byLevel_;
    QRadioButton* byState_;
    QRadioButton* byGroup_;
    QComboBox* tbGroup_;
};
