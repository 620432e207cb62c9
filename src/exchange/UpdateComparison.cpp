#include "exchange/UpdateComparison.h"

#include "core/Platform.h"
#include "core/TextEncoding.h"
#include "db/Connection.h"
#include "db/Maintenance.h"
#include "db/NewFile.h"
#include "db/Statement.h"
#include "exchange/IncomingFile.h"

namespace {

const QString kTable = QStringLiteral("dt_data");
// The records of the file being compared, and those of every file kept for the update.
const QString kFileRows = QStringLiteral("temp.update_import_file");
const QString kKeptRows = QStringLiteral("temp.update_import_kept");
// The codes of the files compared so far in the run.
const QString kSeenCodes = QStringLiteral("temp.update_import_seen");

bool isNumber(const QVariant& value) {
    return value.typeId() == QMetaType::LongLong || value.typeId() == QMetaType::Double;
}

// Equal as the engine's IS compares them: numbers by value, texts by their characters.
bool sameValue(const QVariant& a, const QVariant& b) {
    if (a.isNull() || b.isNull()) return a.isNull() == b.isNull();
    if (isNumber(a) && isNumber(b)) return a.toDouble() == b.toDouble();
    return isNumber(a) == isNumber(b) && a.toString() == b.toString();
}

QString shownValue(const QVariant& value) {
    const QString text = db::variantToText(value);
    return text.isEmpty() ? QStringLiteral("空") : text;
}

QString quotedList(const QStringList& columns, const QString& prefix = {}) {
    QStringList quoted;
    for (const QString& column : columns) quoted << prefix + db::quoteIdentifier(column);
    return quoted.join(u',');
}

} // namespace

UpdateStaging::UpdateStaging(db::Connection& connection)
    : connection_(connection), columns_(db::ColumnNames(connection, QStringLiteral("main"), kTable)) {
    QStringList same;
    for (const QString& column : columns_)
        if (column.compare(QLatin1String("c901"), Qt::CaseInsensitive) != 0)
            same << QStringLiteral("m.%1 IS update_import_file.%1").arg(db::quoteIdentifier(column));
    sameRecord_ = same.join(QStringLiteral(" AND "));
    for (const QString& table : {kFileRows, kKeptRows, kSeenCodes}) connection_.execute(QStringLiteral("DROP TABLE IF EXISTS ") + table);
    for (const QString& table : {kFileRows, kKeptRows})
        connection_.execute(QStringLiteral("CREATE TABLE %1 AS SELECT * FROM main.%2 WHERE 0").arg(table, kTable));
    connection_.execute(QStringLiteral("CREATE TABLE %1(c901 PRIMARY KEY)").arg(kSeenCodes));
}

UpdateStaging::~UpdateStaging() {
    for (const QString& table : {kFileRows, kKeptRows, kSeenCodes}) {
        try {
            connection_.execute(QStringLiteral("DROP TABLE IF EXISTS ") + table);
        } catch (const db::Error&) {
            // Temporary tables end with the connection anyway.
        }
    }
}

FileComparison UpdateStaging::compare(IncomingFile& file, const QString& path) {
    FileComparison result{path, file.label(), {}, 0, 0, {}};
    try {
        connection_.execute(QStringLiteral("DELETE FROM ") + kFileRows);
        const qint64 copied = file.copyRecordsInto(kFileRows);
        const qint64 codes = connection_.scalar(QStringLiteral("SELECT count(DISTINCT c901) FROM ") + kFileRows).toLongLong();
        if (copied != file.records() || codes != copied) {
            result.refusal = file.recordProblem();
            if (result.refusal.isEmpty()) result.refusal = QStringLiteral("导入文件格式错误");
            return result;
        }
    } catch (const db::Error& e) {
        if (e.isMachineFault()) throw;
        result.refusal = QStringLiteral("导入文件格式错误");
        return result;
    }

    QStringList repeated;
    for (db::Statement rows(connection_, QStringLiteral("SELECT c901 FROM %1 WHERE c901 IN (SELECT c901 FROM %2) ORDER BY c901")
                                             .arg(kFileRows, kSeenCodes));
         rows.next();)
        repeated << db::variantToText(rows.value(0));
    if (!repeated.isEmpty()) {
        result.refusal = QStringLiteral("与前面的文件有相同编号的记录：") + repeated.join(QStringLiteral("、"));
        return result;
    }
    connection_.execute(QStringLiteral("INSERT INTO %1 SELECT c901 FROM %2").arg(kSeenCodes, kFileRows));

    // The records equal to the stored ones stay as they are.
    result.identical = connection_.execute(
        QStringLiteral("DELETE FROM %1 WHERE EXISTS (SELECT 1 FROM main.%2 m WHERE m.c901=update_import_file.c901 AND %3)")
            .arg(kFileRows, kTable, sameRecord_));
    result.added = connection_.scalar(QStringLiteral("SELECT count(*) FROM %1 WHERE c901 NOT IN (SELECT c901 FROM main.%2)")
                                          .arg(kFileRows, kTable))
                       .toLongLong();
    const QList<IncomingFile::CheckedColumn>& checked = file.checkedColumns();
    const int count = int(columns_.size());
    db::Statement rows(connection_, QStringLiteral("SELECT %1,%2 FROM %3 f JOIN main.%4 m ON m.c901=f.c901 ORDER BY f.c901")
                                        .arg(quotedList(columns_, QStringLiteral("f.")), quotedList(columns_, QStringLiteral("m.")),
                                             kFileRows, kTable));
    const int code = rows.columnIndex(QStringLiteral("c901"));
    const int name = count + int(columns_.indexOf(QStringLiteral("c902")));
    while (rows.next()) {
        ChangedRecord record{db::variantToText(rows.value(code)), rows.text(name), {}};
        for (int i = 0; i < count; ++i) {
            const QVariant incoming = rows.value(i), stored = rows.value(count + i);
            if (!sameValue(stored, incoming))
                record.fields.append({checked[i].caption, checked[i].name, shownValue(stored), shownValue(incoming)});
        }
        result.changed.append(record);
    }
    connection_.execute(QStringLiteral("INSERT INTO %1 SELECT * FROM %2").arg(kKeptRows, kFileRows));
    kept_ += result.added + result.changed.size();
    return result;
}

void UpdateStaging::apply() {
    const QString columns = quotedList(columns_);
    db::Transaction transaction(connection_);
    connection_.execute(QStringLiteral("DELETE FROM main.%1 WHERE c901 IN (SELECT c901 FROM %2)").arg(kTable, kKeptRows));
    const qint64 written =
        connection_.execute(QStringLiteral("INSERT INTO main.%1(%2) SELECT %2 FROM %3").arg(kTable, columns, kKeptRows));
    if (written != kept_) throw db::Error(QStringLiteral("写入的记录数（%1）与准备写入的（%2）不同").arg(written).arg(kept_));
    transaction.commit();
}

QString ComparisonReportPath() { return tempFolder() + QStringLiteral("/数据导入对照.txt"); }

void WriteComparisonReport(const QList<FileComparison>& files) {
    QByteArray text;
    for (const FileComparison& file : files) {
        if (!text.isEmpty()) text += encodeLine(QString());
        text += encodeLine(QStringLiteral("文件：") + file.path);
        if (!file.label.isEmpty()) text += encodeLine(QStringLiteral("标记声明为【%1】").arg(file.label));
        text += encodeLine(file.refusal.isEmpty() ? QStringLiteral("新记录%1条，需要更新的记录%2条，相同的记录%3条")
                                                        .arg(file.added)
                                                        .arg(file.changed.size())
                                                        .arg(file.identical)
                                                  : QStringLiteral("不能导入：") + file.refusal);
        text += encodeLine(QString(80, u'-'));
        for (const ChangedRecord& record : file.changed) {
            text += encodeLine(u'(' + record.code + u',' + record.name + u')');
            for (const ChangedField& field : record.fields)
                text += encodeLine(QStringLiteral("%1（%2）：%3 → %4").arg(field.caption, field.column, field.stored, field.incoming));
        }
    }
    db::writeFileWhole(ComparisonReportPath(), text, 0600);
}
