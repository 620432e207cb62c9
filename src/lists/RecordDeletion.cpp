#include "lists/RecordDeletion.h"

#include "core/AutoBackup.h"
#include "core/Prompt.h"
#include "db/Connection.h"
#include "db/Error.h"
#include "db/RecordSet.h"
#include "db/Statement.h"

#include <algorithm>

namespace {

const QString kDeleteQuestion = QStringLiteral("您确定要删除当前所选择的记录吗？");
const QString kWarning = QStringLiteral("删除操作将不可恢复，您确认继续么？");
const QString kWarningTitle = QStringLiteral("警告信息");
constexpr double kLowestCode = 100000000000.0;

// The keys of the rows at `positions`; a row deleted by another program since
// the list ran has none and is left out.
QList<QVariant> keysAt(const db::RecordSet& list, const QList<qint64>& positions, const QString& keyField) {
    const int field = list.fieldIndex(keyField);
    QList<QVariant> keys;
    for (qint64 position : positions) {
        const QVariant key = list.valueAt(position, field);
        if (key.isValid() && !keys.contains(key)) keys << key;
    }
    return keys;
}

// Moves to a selected row. A row that can no longer be reached (beyond the end
// of a list that got shorter, or deleted by another program since the list
// ran) is replaced by the list's last row.
void moveToSelectedRow(db::RecordSet& list, qint64 row) {
    try {
        if (row < list.rowCount()) return list.moveTo(row);
    } catch (const db::Error&) {
        // The row is gone: the last row is asked about instead.
    }
    list.last();
}

void deleteAndRerun(db::Connection& connection, db::RecordSet& list, const QList<QVariant>& keys, const QString& table,
                    const QString& keyField) {
    DeleteRecordsByKey(connection, table, keyField, keys);
    RerunListAtSameRow(list);
}

// The automatic backup before records are deleted, when `countSql` finds
// some to delete. False, having said why, when it could not be made.
bool backedUp(db::Connection& connection, const QString& countSql, const QVariantList& params = {}) {
    if (connection.scalar(countSql, params).toLongLong() == 0) return true;
    const QString reason = MakeAutoBackup(connection, QStringLiteral("删除记录"));
    if (reason.isEmpty()) return true;
    ui::showError(autoBackupFailedMessage(reason));
    return false;
}

} // namespace

bool DeleteListedRecords(db::Connection& connection, db::RecordSet& list, QList<qint64> selectedRows,
                         const QString& table, const QString& keyField, const std::function<void()>& showCurrentRow) {
    if (!list.isOpen() || list.isEmpty()) return false;
    if (selectedRows.size() < 2) {
        if (list.atEnd()) return false;
        if (ui::AskQuestion(kDeleteQuestion, ui::qbYes | ui::qbNo) != ui::qaYes) return false;
        deleteAndRerun(connection, list, keysAt(list, {list.position()}, keyField), table, keyField);
        return true;
    }
    std::sort(selectedRows.begin(), selectedRows.end());
    for (int asked = 0; asked < selectedRows.size(); ++asked) {
        moveToSelectedRow(list, selectedRows[asked]);
        if (showCurrentRow) showCurrentRow();
        const int answer = ui::AskQuestion(kDeleteQuestion, ui::qbYesToAll | ui::qbNo);
        if (answer == ui::qaYesToAll) {
            QList<qint64> rows = selectedRows.mid(asked);
            rows.front() = list.position();  // the row asked about, also when it took a lost row's place
            deleteAndRerun(connection, list, keysAt(list, rows, keyField), table, keyField);
            return true;
        }
        if (answer != ui::qaCancel) return false;
    }
    return false;
}

void DeleteRecordsByKey(db::Connection& connection, const QString& table, const QString& keyField,
                        const QList<QVariant>& keys) {
    db::Transaction transaction(connection);
    db::Statement statement(connection, QStringLiteral("delete from ") + db::quoteIdentifier(table) +
                                            QStringLiteral(" where ") + db::quoteIdentifier(keyField) +
                                            QStringLiteral("=?"));
    for (const QVariant& key : keys) {
        statement.bind(1, key);
        statement.run();
    }
    transaction.commit();
}

void RerunListAtSameRow(db::RecordSet& list) {
    const qint64 row = list.position();
    list.requery();
    if (!list.isEmpty()) list.moveTo(std::min(row, list.rowCount() - 1));
}

bool DeleteAllRecords(db::Connection& connection) {
    if (!ui::askYesNo(kWarning, kWarningTitle) || !backedUp(connection, QStringLiteral("select count(*) from dt_data"))) return false;
    connection.execute(QStringLiteral("delete from dt_data"));
    return true;
}

bool DeleteRecordRange(db::Connection& connection, const QString& lowerText, QString& upperText,
                       const std::function<void(const QString&)>& showUpperText) {
    const auto number = [](const QString& text) { return text.trimmed().isEmpty() ? 0.0 : text.toDouble(); };
    double lower = number(lowerText);
    double upper = number(upperText);
    if (lower == 0 || upper == 0) {
        ui::showMessage(QStringLiteral("请输入删除的范围"));
        return false;
    }
    if (lower < 1) lower = kLowestCode;
    if (upper < lower) {
        upper = lower;
        upperText = lowerText;
        if (showUpperText) showUpperText(upperText);
    }
    if (!ui::askYesNo(kWarning, kWarningTitle)
        || !backedUp(connection, QStringLiteral("select count(*) from dt_data where c901>=? and c901<=?"), {lower, upper}))
        return false;
    connection.execute(QStringLiteral("delete from dt_data where c901>=? and c901<=?"), {lower, upper});
    return true;
}
