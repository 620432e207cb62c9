#pragma once

#include <QDialog>

class RecordChoiceBox;
class RecordGridView;
class WorkingDatabase;
namespace db {
class RecordSet;
}

// "选择删除的方式": deletes the records selected in the record grid, all
// records, or the records of a range of unit codes, and then announces that
// the records changed. The dialog stays open after a deletion.
class TdlgDeleteForm final : public QDialog {
    Q_OBJECT
public:
    TdlgDeleteForm(WorkingDatabase& working, db::RecordSet& list, RecordGridView& grid, QWidget* parent);

    void tbDeleteClick();

private:
    // Deletes what the chosen option names; false when nothing was deleted.
    bool deleteChosenRecords();

    WorkingDatabase& working_;
    db::RecordSet& list_;
    RecordGridView& grid_;
    RecordChoiceBox* choice_;
};
