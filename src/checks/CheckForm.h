#pragma once

#include "core/Progress.h"

#include "core/ProgressEstimate.h"
#include "checks/BatchCheck.h"

#include <QDialog>
#include <QTimer>
#include <functional>

class QGroupBox;
class QLabel;
class QLineEdit;
class QProgressBar;
class QPushButton;
class QRadioButton;
class TCheckResultsForm;
class WorkingDatabase;

// What the check commands take from the window that lists the records: the
// database, the codes of the records selected in its list (the current record
// when none is selected; none on an empty list) and the window that shows the
// findings.
struct CheckTarget {
    WorkingDatabase* database = nullptr;
    std::function<QList<qint64>()> selectedCodes;
    TCheckResultsForm* results = nullptr;
};

// "检查选中数据的逻辑": checks the selected records. Nothing happens when none
// is selected.
void CheckSelectedRecords(const CheckTarget& target, ui::ProgressSink* monitor = nullptr);

// "检查数据的逻辑": the check dialog, shown modally over `parent`.
void ShowCheckDialog(const CheckTarget& target, QWidget* parent);

// "选择检查的方式": the user chooses the records to check (the selected ones,
// all, or a range of unit codes) and follows the run, which can be paused,
// resumed and stopped. While a run goes on the dialog grows to show its progress.
class TdlgCheckForm final : public QDialog, public ui::ProgressSink {
    Q_OBJECT
public:
    static constexpr int kIdleHeight = 168;
    static constexpr int kRunningHeight = 255;

    TdlgCheckForm(CheckTarget target, QWidget* parent);

    void start(int total, int done) override;
    void step() override;
    void hide() override {}
    bool paused() const override { return paused_; }
    bool stopRequested() const override { return stopped_; }

    void tbCheckClick();
    void tbPauseClick();
    void tbResumeClick();
    // "返  回", Esc and the close button: a run stops after its current record, and the dialog closes.
    void reject() override;
    // One tick of 100 ms (the timer's; tests call it directly).
    void tick();

private:
    void enterPreparing();
    // Runs the chosen check (a range without both ends is refused).
    void runChosenCheck();
    void enterIdle();
    void showTexts();

    CheckTarget target_;
    QRadioButton* selected_;
    QRadioButton* allRecord_;
    QRadioButton* range_;
    QLineEdit* firstCode_;
    QLineEdit* lastCode_;
    QProgressBar* bar_;
    QLabel* doneLabel_;
    QLabel* waitingLabel_;
    QLabel* preparingLabel_;
    QPushButton* tbCheck_;
    QPushButton* tbPause_;
    QPushButton* tbResume_;
    QPushButton* tbReturn_;
    QTimer timer_;
    ProgressEstimate estimate_;
    bool paused_ = false;
    bool stopped_ = false;
};
