#pragma once

#include "db/RecordSet.h"

#include <QDialog>

class QLabel;
class QPushButton;
class RecordGridView;
class TdlgSurveyDataForm;
class WorkingDatabase;

// What the searches and their result list work with, handed over by the main window.
struct SearchContext {
    WorkingDatabase* database = nullptr;
    TdlgSurveyDataForm* entryDialog = nullptr;  // opens a record of the result
};

// "查询结果列表": the survey records that match a search's where-clause, with
// the commands that change, delete and export them.
class TdlgQueryListForm final : public QDialog {
    Q_OBJECT
public:
    explicit TdlgQueryListForm(const SearchContext& context, QWidget* parent = nullptr);
    ~TdlgQueryListForm() override;

    // Runs the result for a where-clause beginning with "where "; a clause the
    // engine rejects raises db::Error with the engine's message.
    void load(const QString& whereClause);

    RecordGridView* grid() const { return grid_; }
    QLabel* countLabel() const { return count_; }
    db::RecordSet& result() { return result_; }

    // Opens the entry dialog on the current record; its navigation moves through this result.
    void changeRecord();
    // Deletes the selected records after asking; the list runs again.
    void deleteRecords();
    // "导出详细数据为Access文件": every column of dt_data for the result's records.
    void exportDetails();
    // "导出结果列表为Excel文件": the grid's columns and rows.
    void exportList();

protected:
    void showEvent(QShowEvent* event) override;

private:
    void buildGrid();
    void showCount();

    SearchContext context_;
    QString whereClause_;
    db::RecordSet result_;
    RecordGridView* grid_;
    QLabel* count_;
    bool built_ = false;
};

// Opens the result list of `whereClause` modally over `parent` and afterwards
// announces that the records changed (they may have been changed or deleted
// in the result). A clause the engine rejects is reported with the
// engine's message and no list opens; false then.
bool ShowQueryResult(const SearchContext& context, const QString& whereClause, QWidget* parent);
