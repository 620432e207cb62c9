#include "exchange/IncomingFile.h"

#include "core/ExchangePassword.h"
#include "core/Platform.h"
#include "core/TextEncoding.h"
#include "db/Connection.h"
#include "db/Maintenance.h"
#include "db/Statement.h"
#include "exchange/ExchangeFile.h"
#include "exchange/ImportExchangeFile.h"

#include <QFile>
#include <QFileInfo>
#include <QHash>

namespace {

const QString kAlias = QStringLiteral("incoming");
const QString kFormatError = QStringLiteral("文件格式错误,请重新选择！");

QString runError(const QString& text) {
    return QStringLiteral("运行中发生错误：") + text + QStringLiteral("请与软件发行者联系。");
}

bool isPlainDatabase(const QByteArray& head) {
    return head.startsWith('\0') || head.startsWith(PlainDatabaseSignature());
}

// Attaches the file read-only, first without the exchange password and then with it.
bool attachFile(db::Connection& connection, const QString& path) {
    try {
        connection.attach(path, kAlias, {}, true);
        return true;
    } catch (const db::Error&) {
    }
    try {
        connection.attach(path, kAlias, DeriveExchangePassword(), true);
        return true;
    } catch (const db::Error&) {
        return false;
    }
}

// The engine's quick check of the attached file.
bool fileIntact(db::Connection& connection) {
    try {
        return connection.scalar(QStringLiteral("PRAGMA %1.quick_check").arg(kAlias)).toString() == QLatin1String("ok");
    } catch (const db::Error&) {
        // A file the engine cannot check is as damaged as one that fails the check.
        return false;
    }
}

// A table of that name, not a view.
bool fileHasTable(db::Connection& connection, const QString& table) {
    return connection.scalar(QStringLiteral("SELECT count(*) FROM %1.sqlite_schema WHERE type='table' AND lower(name)=lower(?)")
                                 .arg(kAlias), {table}).toLongLong() > 0;
}

QString missingTableMessage(const QString& where, const QString& table) {
    return where + QStringLiteral("不存在名字为\"") + table + QStringLiteral("\"的数据表");
}

// The kinds of value a column of dt_data may hold, by the field list of the working database.
enum class ValueKind { Code, WholeNumber, Number, Text, Any };

QString kindWords(ValueKind kind) {
    switch (kind) {
    case ValueKind::Code: return QStringLiteral("不是12位以内的整数");
    case ValueKind::WholeNumber: return QStringLiteral("不是整数");
    case ValueKind::Number: return QStringLiteral("不是数字");
    case ValueKind::Text: return QStringLiteral("不是文字");
    case ValueKind::Any: break;
    }
    return QStringLiteral("不是数字或文字");
}

// An SQL condition that holds when `column` holds a value its kind refuses.
QString badValueCondition(const QString& column, ValueKind kind) {
    const QString c = db::quoteIdentifier(column);
    const QString type = QStringLiteral("typeof(%1)").arg(c);
    switch (kind) {
    case ValueKind::Code:
        return QStringLiteral("(%1 NOT IN ('integer','real') OR %2<>round(%2) OR abs(%2)>=1000000000000)").arg(type, c);
    case ValueKind::WholeNumber:
        return QStringLiteral("(%1 NOT IN ('null','integer','real') OR %2<>round(%2))").arg(type, c);
    case ValueKind::Number: return QStringLiteral("%1 NOT IN ('null','integer','real')").arg(type);
    case ValueKind::Text: return QStringLiteral("%1 NOT IN ('null','text')").arg(type);
    case ValueKind::Any: break;
    }
    return type + QStringLiteral("='blob'");
}

struct CheckedColumn {
    QString name;
    QString caption;
    ValueKind kind;
};

// Every column of the working table with the kind its field takes: c901 the
// code, indicators by their QueryType (0 and 3 whole numbers, 2 numbers, 1
// text), RecordState a whole number; any other column no blob.
QList<CheckedColumn> checkedColumns(db::Connection& connection, const QStringList& columns) {
    QHash<QString, std::pair<QString, int>> fields;
    db::Statement list(connection, QStringLiteral("select fieldName, Hint, QueryType from DT_FieldList"));
    while (list.next()) fields.insert(list.text(0).toLower(), {list.text(1), int(list.integer(2))});
    QList<CheckedColumn> checked;
    for (const QString& column : columns) {
        const auto field = fields.constFind(column.toLower());
        const QString caption = field == fields.cend() ? column : field->first;
        ValueKind kind = ValueKind::Any;
        if (column.compare(QLatin1String("c901"), Qt::CaseInsensitive) == 0) kind = ValueKind::Code;
        else if (column.compare(QLatin1String("RecordState"), Qt::CaseInsensitive) == 0) kind = ValueKind::WholeNumber;
        else if (field != fields.cend()) {
            switch (field->second) {
            case 0:
            case 3: kind = ValueKind::WholeNumber; break;
            case 1: kind = ValueKind::Text; break;
            case 2: kind = ValueKind::Number; break;
            default: break;
            }
        }
        checked.append({column, caption, kind});
    }
    return checked;
}

QString quotedColumns(const QStringList& names) {
    QStringList quoted;
    for (const QString& name : names) quoted << db::quoteIdentifier(name);
    return quoted.join(u',');
}

} // namespace

IncomingFile::IncomingFile(db::Connection& connection, const QString& table, const QString& chosen)
    : connection_(connection), table_(table), chosen_(chosen) {
    if (!QFileInfo(chosen).isFile()) {
        problem_ = QStringLiteral("您选择的文件并不存在，请选择其它文件。");
        return;
    }
    try {
        check();
    } catch (const std::exception& e) {
        problem_ = runError(QString::fromUtf8(e.what()));
    }
}

IncomingFile::~IncomingFile() {
    // Attached read-only, the file has nothing to write back; should the detach
    // fail, the connection drops it when it closes.
    if (attached_) {
        try {
            connection_.detach(kAlias);
        } catch (const db::Error&) {
        }
    }
    limit_.reset();
    if (workingCopy_) QFile::remove(readPath_);
}

void IncomingFile::check() {
    QFile file(chosen_);
    if (!file.open(QIODevice::ReadOnly)) throw db::Error(QStringLiteral("无法打开文件“%1”").arg(chosen_));
    if (file.size() < kExchangeHeaderSize) {
        problem_ = kFormatError;
        return;
    }
    const QByteArray head = file.read(16);
    file.close();
    readPath_ = chosen_;
    if (!isPlainDatabase(head)) {
        readPath_ = programFolder() + QStringLiteral("temp.dat");
        db::CopyFileWhole(chosen_, readPath_);
        // Only a copy made here is ours to remove (the chosen file may be named "temp.dat").
        workingCopy_ = true;
        RestoreExchangeHeader(readPath_);
    }
    // The file comes from elsewhere: no statement that reads it may run without end.
    limit_ = std::make_unique<db::StatementTimeLimit>(connection_);
    attached_ = attachFile(connection_, readPath_);
    if (!attached_ || !fileIntact(connection_)) {
        problem_ = kFormatError;
        return;
    }
    if (!fileHasTable(connection_, table_)) {
        problem_ = missingTableMessage(QStringLiteral("您选择的文件中"), table_);
        return;
    }
    if (!connection_.hasTable(table_)) {
        problem_ = missingTableMessage(QStringLiteral("系统中"), table_);
        return;
    }
    if (!fileHasTable(connection_, QStringLiteral("ct_label"))
        || !db::ColumnNames(connection_, kAlias, QStringLiteral("ct_label")).contains(QStringLiteral("db_name"), Qt::CaseInsensitive)) {
        problem_ = kFormatError;
        return;
    }
    {
        db::Statement labels(connection_, QStringLiteral("select * from %1.ct_label").arg(kAlias));
        if (labels.next()) label_ = labels.text(labels.columnIndex(QStringLiteral("db_name")));
    }
    const QString quotedTable = db::quoteIdentifier(table_);
    records_ = connection_.scalar(QStringLiteral("select count(*) from %1.%2").arg(kAlias, quotedTable)).toLongLong();
    // Rows move by the working table's columns; a file with other columns cannot be read.
    const QStringList own = db::ColumnNames(connection_, QStringLiteral("main"), table_);
    if (db::ColumnNames(connection_, kAlias, table_).join(u',').toLower() != own.join(u',').toLower()) return;
    try {
        problem_ = badRecord(own);
    } catch (const db::Error& e) {
        // A table the check cannot read (no row numbers, a value past the limits) is no survey file.
        problem_ = e.isMachineFault() ? runError(e.message()) : QStringLiteral("导入文件格式错误");
    }
    if (problem_.isEmpty()) columns_ = quotedColumns(own);
}

QString IncomingFile::badRecord(const QStringList& columns) {
    const QList<CheckedColumn> checked = checkedColumns(connection_, columns);
    QStringList conditions;
    for (const CheckedColumn& column : checked) conditions << badValueCondition(column.name, column.kind);
    const QString table = kAlias + u'.' + db::quoteIdentifier(table_);
    // One pass finds the first record with a value its field refuses.
    db::Statement bad(connection_, QStringLiteral("select rowid, * from %1 where %2 order by rowid limit 1").arg(table, conditions.join(QStringLiteral(" or "))));
    if (bad.next()) {
        const qint64 number = connection_.scalar(QStringLiteral("select count(*) from %1 where rowid<=?").arg(table), {bad.value(0)}).toLongLong();
        QVariant code;
        for (qsizetype i = 0; i < checked.size(); ++i)
            if (checked[i].kind == ValueKind::Code) code = bad.value(1 + int(i));
        for (qsizetype i = 0; i < checked.size(); ++i) {
            db::Statement single(connection_, QStringLiteral("select %1 from %2 where rowid=?").arg(badValueCondition(checked[i].name, checked[i].kind), table));
            single.bindAll({bad.value(0)});
            if (!single.next() || single.integer(0) != 1) continue;
            return QStringLiteral("导入文件格式错误：第%1条记录（编码%2）的“%3”（%4）%5。")
                .arg(number)
                .arg(code.isNull() ? QStringLiteral("空") : db::variantToText(code), checked[i].caption, checked[i].name, kindWords(checked[i].kind));
        }
    }
    // Two records of one code in the file: no office sends that.
    db::Statement twice(connection_, QStringLiteral("select c901, count(*) from %1 group by c901 having count(*)>1 order by c901 limit 1").arg(table));
    if (twice.next())
        return QStringLiteral("导入文件格式错误：文件中编码%1的记录有%2条。").arg(db::variantToText(twice.value(0))).arg(twice.integer(1));
    return {};
}

QStringList IncomingFile::recordCodes() const {
    QStringList codes;
    db::Statement rows(connection_, QStringLiteral("select c901 from %1.%2 order by c901").arg(kAlias, db::quoteIdentifier(table_)));
    while (rows.next()) codes << db::variantToText(rows.value(0));
    return codes;
}

IncomingFile::Result IncomingFile::importRecords(QList<Conflict>& conflicts) {
    if (!sameColumns()) return Result::Unreadable;
    const QString target = db::quoteIdentifier(table_);
    try {
        db::Transaction transaction(connection_);
        connection_.execute(QStringLiteral("INSERT INTO %1(%3) select %3 from %2.%1").arg(target, kAlias, columns_));
        transaction.commit();
        return Result::Imported;
    } catch (const db::Error& e) {
        // Nothing was added. A full disk or a lock is no fault of the file;
        // otherwise the staging below finds the conflicting records.
        if (e.isMachineFault()) {
            failure_ = e.message();
            return Result::Failed;
        }
    }
    const QString staging = db::quoteIdentifier(table_ + u'_' + table_);
    try {
        connection_.execute(QStringLiteral("delete from %1").arg(staging));
        db::Transaction transaction(connection_);
        try {
            connection_.execute(QStringLiteral("insert into %1(%3) select %3 from %2.%4").arg(staging, kAlias, columns_, target));
            connection_.execute(QStringLiteral("delete from %1 where c901 not in (select c901 from %2)").arg(staging, target));
            transaction.commit();
        } catch (const db::Error& e) {
            if (!e.isMachineFault()) return Result::Unreadable;
            failure_ = e.message();
            return Result::Failed;
        }
        db::Statement rows(connection_, QStringLiteral("select c901,c902 from %1 order by c901").arg(staging));
        while (rows.next()) conflicts.append({db::variantToText(rows.value(0)), rows.text(1)});
    } catch (const db::Error&) {
        // The staging table could not be emptied or read: the conflicts are unknown.
    }
    return Result::Conflicting;
}

namespace {

void writeReport(const QString& path, const QList<ConflictSection>& sections) {
    TextFileWriter report(path, TextFileWriter::Mode::Truncate);
    bool first = true;
    for (const ConflictSection& section : sections) {
        if (!first) report.writeLine(QString());
        first = false;
        if (!section.file.isEmpty()) report.writeLine(QStringLiteral("文件：") + section.file);
        report.writeLine(QStringLiteral("在准备导入的文件中，如下的记录与现有的记录发生编号冲突"));
        report.writeLine(QString(80, u'-'));
        for (const IncomingFile::Conflict& conflict : section.conflicts)
            report.writeLine(u'(' + conflict.code + u',' + conflict.name + u')');
    }
    report.close();
}

} // namespace

void WriteConflictReport(const QList<ConflictSection>& sections) {
    const QString path = ConflictReportPath();
    try {
        writeReport(path, sections);
    } catch (...) {
        QFile::remove(path);
        throw;
    }
}
