#pragma once

#include "core/FieldData.h"
#include "core/GridSort.h"

#include <QAbstractTableModel>
#include <QColor>
#include <QHash>
#include <QTableView>
#include <unordered_set>

namespace db {
class RecordSet;
}

// The rows of a result set as a table: one column per field of the metadata,
// rows read from the result set only when they are drawn, striped backgrounds,
// and titles that carry the sort arrow and colour.
class RecordListModel final : public QAbstractTableModel {
    Q_OBJECT
public:
    explicit RecordListModel(QObject* parent = nullptr);

    // Columns from the metadata; every field gets one (hidden ones included).
    void setFields(const TFieldDataArray& fields);
    // The titles of the metadata, without sort arrows or colours.
    void resetTitles();
    const TFieldDataArray& fields() const { return fields_; }
    // The rows; nullptr or a closed result shows none. Call again after the result changed.
    void setRecords(db::RecordSet* records);
    db::RecordSet* records() const { return records_; }

    QString title(int column) const { return titles_.value(column); }
    void setTitle(int column, const QString& title);
    bool titleIsLime(int column) const;
    // Lime for the column sorted last; the inactive colour for the one sorted before.
    void setTitleLime(int column, bool lime);
    // What a title click on `column` changes under `sort` (its order sorts the result set).
    GridSortState::Click sortClick(GridSortState& sort, int column) const;
    // Marks the titles after the result set was sorted by `click`.
    void showSortClick(int column, const GridSortState::Click& click);

    int rowCount(const QModelIndex& parent = {}) const override;
    int columnCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role) const override;

private:
    // The result-set field of each column.
    void matchFields();

    TFieldDataArray fields_;
    QStringList titles_;
    QHash<int, QColor> titleColours_;
    QList<int> fieldIndexes_;  // result-set field of each column, -1 when it has none
    db::RecordSet* records_ = nullptr;
};

// The read-only list of records shared by the main window and the query result
// list: whole-row and multi-row selection, a title click sorts, and Enter,
// Insert and Delete are reported when released. A row deleted by another
// program since the list ran is drawn empty, and the grid then re-runs the list.
class RecordGridView final : public QTableView {
    Q_OBJECT
public:
    explicit RecordGridView(QWidget* parent = nullptr);
    RecordListModel* listModel() const { return model_; }

    // Builds the columns from the metadata (widths, visibility, alignment) and forgets the sort.
    void build(const TFieldDataArray& fields);
    // Shows the rows of a result set and makes its current row the grid's.
    void attach(db::RecordSet* records);
    // After the result set moved, was sorted or re-run: show its rows and current
    // row. A selection of several rows keeps its records, and the current column
    // and the horizontal scroll stay; a single selected row follows the current row.
    void refresh();
    // The sort on a title click: sorts the result set and marks the titles.
    void sortOnColumn(int column);
    // Marks `column` as the one the list is sorted on ascending: its title gets
    // the ascending arrow and turns lime. Call after build().
    void showSortedBy(int column);
    // The list is in its query's order again: no title carries an arrow or the
    // lime colour, and the next click sorts descending.
    void forgetSort();

signals:
    void enterReleased();
    void insertReleased();
    void deleteReleased();
    // The grid re-ran its list after finding a row gone.
    void listRerun();

protected:
    void keyPressEvent(QKeyEvent* event) override;
    void keyReleaseEvent(QKeyEvent* event) override;
    void currentChanged(const QModelIndex& current, const QModelIndex& previous) override;
    void selectionChanged(const QItemSelection& selected, const QItemSelection& deselected) override;
    void paintEvent(QPaintEvent* event) override;

private:
    void rememberSelection();
    void restoreSelection();
    // Re-runs the list once the current event is done, then goes to `row` (-1: stays on the current record).
    void rerunLater(int row);
    RecordListModel* model_;
    GridSortState sort_;
    bool following_ = false;  // true while the grid follows the result set's row
    std::unordered_set<qint64> selectedRows_;  // row ids (db::RecordSet::rowIdAt) of the selected rows
    bool rerunPending_ = false;
    int rerunRow_ = -1;
    int pressedKey_ = 0;  // the key last pressed in the grid; a release counts only after its press
};
