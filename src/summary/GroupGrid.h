#pragma once

#include "core/GridSort.h"

#include <QAbstractTableModel>
#include <QColor>
#include <QHash>
#include <QTableView>

namespace db {
class RecordSet;
}

// A column of a grouping dialog's grid: the result-set field it shows and its title.
struct GroupGridColumn {
    QString field;
    QString title;
    int width = 120;
};

// The rows of a result set in fixed columns, striped, with titles that carry
// the sort arrow and colour.
class GroupGridModel final : public QAbstractTableModel {
    Q_OBJECT
public:
    GroupGridModel(QList<GroupGridColumn> columns, QObject* parent);
    // The rows; call again after the result set changed.
    void setRecords(db::RecordSet* records);
    db::RecordSet* records() const { return records_; }
    const QList<GroupGridColumn>& columns() const { return columns_; }

    QString title(int column) const { return titles_.value(column); }
    void setTitle(int column, const QString& title);
    bool titleIsLime(int column) const;
    void setTitleLime(int column, bool lime);

    int rowCount(const QModelIndex& parent = {}) const override;
    int columnCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role) const override;

private:
    QList<GroupGridColumn> columns_;
    QStringList titles_;
    QHash<int, QColor> titleColours_;
    QList<int> fieldIndexes_;
    db::RecordSet* records_ = nullptr;
};

// The read-only grid of a grouping dialog. It follows the result set's current
// row and moves it; it reports a click on a row, the release of a navigation
// key and of Delete. When sortable, a title click sorts the result set
// (the first click descending, then alternating) and reports the order.
class GroupGridView final : public QTableView {
    Q_OBJECT
public:
    GroupGridView(QList<GroupGridColumn> columns, QWidget* parent);
    GroupGridModel* gridModel() const { return model_; }
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
    GroupGridModel* model_;
    GridSortState sort_;
    bool following_ = false;
};
