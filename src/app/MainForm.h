#pragma once

#include "db/RecordSet.h"

#include <QMainWindow>
#include <functional>
#include <map>

class QLabel;
class GroupBar;
class RecordGridView;
class TProgressBarForm;
class TProgressBar2LineForm;
class TdlgSurveyDataForm;
class TCheckResultsForm;
struct CheckTarget;
struct SearchContext;

// The main window: every record of the working database in a list whose
// columns the field metadata describes, and every command of the system in the
// group bar, the menus and the list's context menu. Its creation runs the
// start-up sequence.
class TMainForm final : public QMainWindow {
    Q_OBJECT
public:
    struct Options {
        bool splash = true;  // show the about box as the splash window at start
    };
    explicit TMainForm(Options options, QWidget* parent = nullptr);
    ~TMainForm() override;
    // False when the working database could not be opened; the program then ends.
    bool started() const { return started_; }

    // The record list ("ReportQuery") and the grid that shows it.
    db::RecordSet& recordList() { return recordList_; }
    RecordGridView* recordGrid() const { return grid_; }
    // Builds the grid's columns from the field metadata and opens the record list.
    void BuildRecordGrid();
    // Re-runs the record list and returns to the row that was current; runs
    // whenever the working database announces that its records changed.
    void requeryRecordList();
    // Reopens the working database and the record list after a command closed them.
    void reopenRecordList();
    // Opens the record list anew on the open working database, in code order.
    void openRecordList();
    // The c901 of the records selected in the list, in list order; the current
    // record's when none is selected; none on an empty list.
    QList<qint64> selectedCodes() const;
    // The record list as the check commands see it.
    CheckTarget checkTarget();
    // What the searches and their result list work with.
    SearchContext searchContext();

    // Connects a command to the routine that carries it out.
    void wire(QAction* action, std::function<void()> run);
    QAction* action(const QString& name) const;
    // Enables the commands by their rules (some need a non-empty list).
    void updateActions();

    // The entry dialog (with its error list) lives as long as the main window.
    TdlgSurveyDataForm* entryDialog() const { return entryDialog_; }
    // "逻辑检查结果": the findings of the last check, as long as the main window lives.
    TCheckResultsForm* checkResults() const { return checkResults_; }
    // The status bar's count of the records by RecordState.
    QLabel* recordCounts() const { return countsPane_; }

    void actAddNewExecute();
    void actModifyExecute();
    void actCompressExecute();
    void actBackupExecute();
    void actOptionsExecute();
    void actAboutExecute();

private:
    QAction* makeAction(const QString& name, const QString& caption, int picture, bool needsRows);
    void buildMenus();
    void buildGroupBar();
    void run(QAction* action);
    void showRecordCounts();

    bool started_ = false;
    db::RecordSet recordList_;
    RecordGridView* grid_ = nullptr;
    GroupBar* groupBar_ = nullptr;
    QLabel* versionPane_ = nullptr;
    QLabel* datePane_ = nullptr;
    QLabel* countsPane_ = nullptr;
    TProgressBarForm* progress_ = nullptr;
    TProgressBar2LineForm* progress2_ = nullptr;
    TdlgSurveyDataForm* entryDialog_ = nullptr;
    TCheckResultsForm* checkResults_ = nullptr;
    bool gridVisible_ = true;
    std::map<QAction*, std::function<void()>> handlers_;
    std::map<QAction*, bool> needsRows_;
};
