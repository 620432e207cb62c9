#include "exchange/IncomingFile.h"

#include "core/ExchangePassword.h"
#include "core/Platform.h"
#include "core/TextEncoding.h"
#include "db/Connection.h"
#include "db/EncryptedImage.h"
#include "db/Maintenance.h"
#include "db/NewFile.h"
#include "db/Statement.h"
#include "exchange/ExchangeFile.h"
#include "exchange/ImportExchangeFile.h"

#include <QFile>
#include <QFileInfo>
#include <QHash>

#include <cmath>
#include <unordered_map>
#include <vector>

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

QString ruleWords(db::ValueRule rule) {
    switch (rule) {
    case db::ValueRule::Code: return QStringLiteral("不是12位以内的整数");
    case db::ValueRule::WholeNumber: return QStringLiteral("不是整数");
    case db::ValueRule::Number: return QStringLiteral("不是数字");
    case db::ValueRule::Text: return QStringLiteral("不是文字");
    case db::ValueRule::NoBytes: break;
    }
    return QStringLiteral("不是数字或文字");
}

using CheckedColumn = IncomingFile::CheckedColumn;

// Every column of the working table with the rule its field sets: c901 the
// code, indicators by their QueryType (0 and 3 whole numbers, 2 numbers, 1
// text), RecordState a whole number; any other column no bytes.
QList<CheckedColumn> checkedColumns(db::Connection& connection, const QStringList& columns) {
    QHash<QString, std::pair<QString, int>> fields;
    db::Statement list(connection, QStringLiteral("select fieldName, Hint, QueryType from DT_FieldList"));
    while (list.next()) fields.insert(list.text(0).toLower(), {list.text(1), int(list.integer(2))});
    QList<CheckedColumn> checked;
    for (const QString& column : columns) {
        const auto field = fields.constFind(column.toLower());
        const QString caption = field == fields.cend() ? column : field->first;
        db::ValueRule rule = db::ValueRule::NoBytes;
        if (column.compare(QLatin1String("c901"), Qt::CaseInsensitive) == 0) rule = db::ValueRule::Code;
        else if (column.compare(QLatin1String("RecordState"), Qt::CaseInsensitive) == 0) rule = db::ValueRule::WholeNumber;
        else if (field != fields.cend()) {
            switch (field->second) {
            case 0:
            case 3: rule = db::ValueRule::WholeNumber; break;
            case 1: rule = db::ValueRule::Text; break;
            case 2: rule = db::ValueRule::Number; break;
            default: break;
            }
        }
        checked.append({column, caption, rule});
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
        if (db::SameFile(chosen_, readPath_)) throw db::Error(QStringLiteral("文件“%1”正在使用，不能被覆盖").arg(readPath_));
        // The working copy is written once, its header already restored.
        QByteArray bytes = db::sealed::readFile(chosen_);
        RestoreHeaderBytes(bytes);
        db::writeFileWhole(readPath_, bytes);
        // Only a copy made here is ours to remove (the chosen file may be named "temp.dat").
        workingCopy_ = true;
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
    columns_ = quotedColumns(own);
    checked_ = ::checkedColumns(connection_, own);
}

QString IncomingFile::recordProblem() {
    const QList<CheckedColumn>& checked = checked_;
    int codeColumn = -1;
    for (qsizetype i = 0; i < checked.size(); ++i)
        if (checked[i].rule == db::ValueRule::Code) codeColumn = int(i);
    // One pass over the records in the file's order, looking at the kind of each stored value.
    db::Statement rows(connection_, QStringLiteral("select %1 from %2.%3").arg(columns_, kAlias, db::quoteIdentifier(table_)));
    std::unordered_map<qint64, qint64> firstWithCode;
    qint64 number = 0;
    while (rows.next()) {
        ++number;
        for (qsizetype i = 0; i < checked.size(); ++i) {
            if (db::obeysRule(rows.storedKind(int(i)), rows.real(int(i)), checked[i].rule)) continue;
            const QString code = codeColumn < 0 || rows.isNull(codeColumn) ? QStringLiteral("空") : db::variantToText(rows.value(codeColumn));
            return QStringLiteral("导入文件格式错误：第%1条记录（编码%2）的“%3”（%4）%5。")
                .arg(number)
                .arg(code, checked[i].caption, checked[i].name, ruleWords(checked[i].rule));
        }
        if (codeColumn < 0) continue;
        const auto [earlier, added] = firstWithCode.emplace(std::llround(rows.real(codeColumn)), number);
        if (!added)
            return QStringLiteral("导入文件格式错误：第%1条记录的编码%2与第%3条记录相同。")
                .arg(number)
                .arg(db::variantToText(rows.value(codeColumn)))
                .arg(earlier->second);
    }
    return {};
}

QStringList IncomingFile::recordCodes() const {
    QStringList codes;
    db::Statement rows(connection_, QStringLiteral("select c901 from %1.%2 order by c901").arg(kAlias, db::quoteIdentifier(table_)));
    while (rows.next()) codes << db::variantToText(rows.value(0));
    return codes;
}

qint64 IncomingFile::copyRecordsInto(const QString& target) {
    // Every record is checked against the field list as it is copied: a
    // record that breaks a rule is left out.
    std::vector<db::ValueRule> rules;
    QStringList columns;
    for (const CheckedColumn& column : checked_) {
        rules.push_back(column.rule);
        columns << db::quoteIdentifier(column.name);
    }
    const db::RulesFunction obeysRules(connection_, std::move(rules));
    return connection_.execute(QStringLiteral("INSERT INTO %1(%3) select %3 from %2.%4 where %5")
                                   .arg(target, kAlias, columns_, db::quoteIdentifier(table_), db::RulesFunction::condition(columns)));
}

bool IncomingFile::addsRecords() {
    if (!sameColumns() || records_ == 0) return false;
    try {
        return connection_.scalar(QStringLiteral("select count(*) from %1.%2 where c901 in (select c901 from main.%2)")
                                      .arg(kAlias, db::quoteIdentifier(table_)))
                   .toLongLong() == 0;
    } catch (const db::Error&) {
        // The import finds out what stops it; a backup before it does no harm.
        return true;
    }
}

IncomingFile::Result IncomingFile::importRecords(QList<Conflict>& conflicts) {
    if (!sameColumns()) return Result::Unreadable;
    const QString target = db::quoteIdentifier(table_);
    try {
        // A record left out for breaking a rule makes fewer records than the
        // file holds, and nothing is kept.
        db::Transaction transaction(connection_);
        const qint64 added = copyRecordsInto(target);
        if (added == records_) {
            transaction.commit();
            return Result::Imported;
        }
    } catch (const db::Error& e) {
        // Nothing was added. A full disk or a lock is no fault of the file;
        // otherwise the records are looked at below.
        if (e.isMachineFault()) {
            failure_ = e.message();
            return Result::Failed;
        }
    }
    try {
        failure_ = recordProblem();
    } catch (const db::Error& e) {
        // A table the check cannot read (a value past the limits) is no survey file.
        failure_ = e.isMachineFault() ? e.message() : QStringLiteral("导入文件格式错误");
        return e.isMachineFault() ? Result::Failed : Result::Unreadable;
    }
    if (!failure_.isEmpty()) return Result::Unreadable;
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

QString labelQuestion(const QString& label) {
    return QStringLiteral("确认准备导入标记声明为【") + label + QStringLiteral("】的数据么？");
}

QString severalLabelsQuestion(const QList<ListedFile>& readable, const QStringList& unreadable) {
    QString text = QStringLiteral("确认准备导入以下%1个文件的数据么？\n").arg(readable.size());
    for (const ListedFile& file : readable)
        text += QStringLiteral("\n%1：标记声明为【%2】，%3条记录").arg(QFileInfo(file.path).fileName(), file.label).arg(file.records);
    for (const QString& path : unreadable) text += QStringLiteral("\n%1：文件格式错误，不能导入").arg(QFileInfo(path).fileName());
    return text;
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
