#pragma once

#include <QDialog>
#include <functional>

class RecordChoiceBox;
class RecordGridView;
namespace db {
class Connection;
class RecordSet;
}

// "选择删除的方式": deletes the records selected in the record grid, all
// records, or the records of a range of unit codes, and then runs the record
// list again through `rerunList`. The dialog stays open after a deletion.
class TdlgDeleteForm final : public QDialog {
    Q_OBJECT
public:
    TdlgDeleteForm(db::Connection& connection, db::RecordSet& list, RecordGridView& grid,
                   std::function<void()> rerunList, QWidget* parent);

    void tbDeleteClick();

private:
    // Deletes what the chosen option names; false when nothing was deleted.
    bool deleteChosenRecords();

    db::Connection& connection_;
    db::RecordSet& list_;
    RecordGridView& grid_;
    std::function<void()> rerunList_;
    RecordChoiceBox* choice_;
};
