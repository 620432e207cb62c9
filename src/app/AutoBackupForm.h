#pragma once

#include <QDialog>

class QTreeWidget;
class WorkingDatabase;

// "从自动备份恢复": the automatic backups of the working database, newest
// first (time, step, number of records, label); "恢  复" restores the chosen
// one after asking, and the dialog closes.
class TdlgAutoBackupForm final : public QDialog {
    Q_OBJECT
public:
    TdlgAutoBackupForm(WorkingDatabase& working, QWidget* parent);
    QTreeWidget* backups() const { return backups_; }

    void tbRestoreClick();

private:
    WorkingDatabase& working_;
    QTreeWidget* backups_;
};
