#pragma once

#include "lists/RecordListExport.h"

#include <QDialog>

class WorkingDatabase;
class QCheckBox;
class QLineEdit;
class QListWidget;
class QPushButton;
class QRadioButton;
class QToolButton;

// "导出数据列表": the record list export dialog, shown modally over `parent`.
void ShowSaveListDialog(WorkingDatabase& working, QWidget* parent);

// "选择导出数据的方式": which records (all, a range of unit codes, or one item
// of a custom grouping) and which survey tables go into the workbook.
class TdlgSaveListForm final : public QDialog {
    Q_OBJECT
public:
    TdlgSaveListForm(WorkingDatabase& working, QWidget* parent);

    void btnExportClick();
    void btnReturnClick();

private:
    void loadTables();
    void loadGroups();
    void chooseGroup();
    void showGroup();
    void setControlsEnabled(bool enabled);
    std::vector<CheckListLine> tickedTables() const;

    WorkingDatabase& working_;
    std::vector<CheckListLine> tables_;
    std::vector<ExportGroup> groups_;
    std::optional<ExportGroup> currentGroup_;
    QRadioButton* allRecords_;
    QRadioButton* codeRange_;
    QRadioButton* byGroup_;
    QLineEdit* fromCode_;
    QLineEdit* toCode_;
    QToolButton* groupButton_;
    QListWidget* tableList_;
    QCheckBox* shownOnly_;
    QPushButton* btnExport_;
    QPushButton* btnReturn_;
};
