#include "lists/DeleteRecords.h"

#include "lists/RecordDeletion.h"
#include "widgets/RecordGrid.h"

#include <QItemSelectionModel>

bool DeleteSelectedRecords(RecordGridView& grid, db::Connection& connection, db::RecordSet& list, const QString& table,
                           const QString& keyField) {
    QList<qint64> rows;
    for (const QModelIndex& index : grid.selectionModel()->selectedRows()) rows << index.row();
    if (!DeleteListedRecords(connection, list, rows, table, keyField, [&grid] { grid.refresh(); })) return false;
    grid.refresh();
    return true;
}
