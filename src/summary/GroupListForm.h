#pragma once

#include "db/RecordSet.h"

#include <QDialog>

class GroupGridView;
class QPushButton;

// "数据分组": the grouping list, shown modally over `parent`.
void ShowGroupListDialog(db::Connection& connection, QWidget* parent);

// "自定义分组列表": the groupings by name, with adding (the name is asked for
// first), removing, editing (also a double click), and the import and export
// of the grouping file.
class TdlgGroupListForm final : public QDialog {
    Q_OBJECT
public:
    TdlgGroupListForm(db::Connection& connection, QWidget* parent);

    void tbAddClick();
    void tbRemoveClick();
    void tbEditClick();
    void btnImportClick();
    void btnExportClick();

private:
    // Re-runs the list (opening it when closed), on the grouping `id` when given.
    void requery(qint64 id = 0);
    // "除  去" and "修  改" need a grouping.
    void updateButtons();
    void openEditor(qint64 id, const QString& name);

    db::Connection& connection_;
    db::RecordSet groups_;
    GroupGridView* grid_;
    QPushButton* tbAdd_;
    QPushButton* tbRemove_;
    QPushButton* tbEdit_;
    QPushButton* btnImport_;
    QPushButton* btnExport_;
    QPushButton* tbReturn_;
};
