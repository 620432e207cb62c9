#pragma once

#include "checks/CheckFindings.h"
#include "db/RecordSet.h"

#include <QWidget>

class QLabel;
class QModelIndex;
class QTableView;
class QTabWidget;
class QTreeView;
class CheckFindingsModel;
class RuleFrequencyModel;
class TdlgSurveyDataForm;
class WorkingDatabase;

// "逻辑检查结果": the findings of the last batch check in a window that is not
// modal. One view lists the records with findings and, under each, its
// findings; a second counts the findings per rule, most frequent first. A
// double click on a finding opens the entry dialog on its record, turned to
// the finding's page with the focus on its field; the dialog moves through
// the records with findings. When records change while the entry dialog shows
// one, that record is checked again and the window shows its new state.
class TCheckResultsForm final : public QWidget {
    Q_OBJECT
public:
    TCheckResultsForm(WorkingDatabase& database, TdlgSurveyDataForm* entryDialog, QWidget* parent);
    ~TCheckResultsForm() override;

    // The findings of a check that has just run, with its results file. The
    // window shows itself when there are findings; a clean check empties it.
    void showCheck(CheckFindings findings, const QString& resultsFile);
    // The menu's command: the window with the last check, or a message when
    // no check has run yet.
    void showLastCheck();

    const CheckFindings& findings() const { return findings_; }
    QTreeView* findingsView() const { return findingsView_; }
    QTableView* rulesView() const { return rulesView_; }
    QTabWidget* views() const { return views_; }
    QLabel* countLine() const { return countLine_; }

    // Opens the entry dialog on the record of a row, at a finding's page and
    // field (a record's row: its first finding).
    void openFinding(const QModelIndex& index);
    // "打开结果文件": the results file in the desktop's text viewer.
    void openResultsFile();

private:
    void recordsChanged();
    void showCounts();
    void expandRow(int row);

    WorkingDatabase& database_;
    TdlgSurveyDataForm* entryDialog_;
    CheckFindings findings_;
    QString resultsFile_;
    bool checked_ = false;
    db::RecordSet units_;  // the entry dialog's navigation
    CheckFindingsModel* findingsModel_;
    RuleFrequencyModel* rulesModel_;
    QTabWidget* views_;
    QTreeView* findingsView_;
    QTableView* rulesView_;
    QLabel* countLine_;
};
