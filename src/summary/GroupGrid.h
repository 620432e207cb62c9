#pragma once

#include "core/GridSort.h"

#include <QTableView>

class RecordListModel;

namespace db {
class RecordSet;
}

// A column of a grouping dialog's grid: the result-set field it shows and its title.
struct GroupGridColumn {
    QString field;
    QString title;
    int width = 120;
};

// The read-only grid of a grouping dialog, drawn by the record list's model in
// fixed columns. It follows the result set's current row and moves it; it
// reports a click on a row, the release of a navigation key and of Delete. When
// sortable, a title click sorts the result set (the first click descending,
// then alternating) and reports the order.
class GroupGridView final : public QTableView {
    Q_OBJECT
public:
    GroupGridView(const QList<GroupGridColumn>& columns, QWidget* parent);
    void attach(db::RecordSet* records);
    // After the result set moved or was re-run.
    void refresh();
    void setSortable(bool sortable);
    void sortOnColumn(int column);

signals:
    void rowClicked();
    void navigationReleased();
    void deleteReleased();
    void sorted(const QString& order);

protected:
    void mouseReleaseEvent(QMouseEvent* event) override;
    void keyReleaseEvent(QKeyEvent* event) override;
    void currentChanged(const QModelIndex& current, const QModelIndex& previous) override;

private:
    RecordListModel* model_;
    GridSortState sort_;
    bool following_ = false;
};
