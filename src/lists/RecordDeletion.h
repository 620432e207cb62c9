#pragma once

#include <QList>
#include <QString>
#include <QVariant>
#include <functional>

namespace db {
class Connection;
class RecordSet;
}

// Deleting records from a list: the question sequence over the selected rows,
// the range and "all" deletions of the delete dialog, and the re-run of the
// list afterwards. No widgets: a grid follows the list through `showCurrentRow`.

// Asks before deleting rows of `list` and deletes the records the answers
// allow from `table`, told apart by `keyField`. `selectedRows` are positions in
// the list's current order. With fewer than two of them the current row is
// asked about ("是" / "否"); with more the selected rows are asked about one
// after the other ("全都是" / "否"): "全都是" deletes the row asked about and
// every later selected row, "否" stops, and a question closed without a
// button moves on to the next selected row. A row that can no longer be
// reached (beyond the end of the list, or deleted by another program since the
// list ran) counts as the list's last row. `showCurrentRow` is called whenever the list moved.
// True when records were deleted; the list has then run again (see RerunListAtSameRow).
bool DeleteListedRecords(db::Connection& connection, db::RecordSet& list, QList<qint64> selectedRows,
                         const QString& table, const QString& keyField, const std::function<void()>& showCurrentRow);

// Deletes the records of `table` whose `keyField` holds one of `keys`, all in one transaction.
void DeleteRecordsByKey(db::Connection& connection, const QString& table, const QString& keyField,
                        const QList<QVariant>& keys);

// Runs the list again and returns to the position that was current, or to the
// last row when the list got shorter.
void RerunListAtSameRow(db::RecordSet& list);

// "所有的数据": asks with the warning box and deletes every survey record on
// Yes, after the automatic backup (step "删除记录"); a backup that fails
// stops the deletion with its message.
bool DeleteAllRecords(db::Connection& connection);

// "指定单位编号的范围" with the texts of the dialog's two code fields. An empty
// field counts as 0, and a bound of 0 is refused with "请输入删除的范围". A
// lower bound below 1 becomes 100000000000; an upper bound below the lower one
// becomes the lower one, and `upperText` then takes the lower field's text,
// which `showUpperText` puts into the second field before the question.
// Asks with the warning box and deletes the records of the range on Yes,
// after the automatic backup as above; true when they were deleted.
bool DeleteRecordRange(db::Connection& connection, const QString& lowerText, QString& upperText,
                       const std::function<void(const QString&)>& showUpperText = {});
