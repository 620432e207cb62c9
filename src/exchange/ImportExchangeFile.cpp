#include "exchange/ImportExchangeFile.h"

#include "core/ExchangePassword.h"
#include "core/Platform.h"
#include "core/Prompt.h"
#include "core/Startup.h"
#include "core/TextEncoding.h"
#include "db/Connection.h"
#include "db/Maintenance.h"
#include "db/Statement.h"
#include "exchange/ExchangeFile.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

namespace {

const QString kAlias = QStringLiteral("incoming");
const QString kFormatError = QStringLiteral("文件格式错误,请重新选择！");

// The file the import reads: the chosen one, or its working copy with the header restored.
struct PreparedFile {
    QString path;
    bool workingCopy = false;
};

bool isPlainDatabase(const QByteArray& head) {
    return head.startsWith('\0') || head.startsWith(QByteArrayLiteral("SQLite format 3\0"));
}

// Empty path when the file is too short to be an exchange or backup file.
PreparedFile prepare(const QString& chosen) {
    QFile file(chosen);
    if (!file.open(QIODevice::ReadOnly)) throw db::Error(QStringLiteral("无法打开文件“%1”").arg(chosen));
    if (file.size() < kExchangeHeaderSize) return {};
    const QByteArray head = file.read(16);
    file.close();
    if (isPlainDatabase(head)) return {chosen, false};
    const QString copy = programFolder() + QStringLiteral("temp.dat");
    db::CopyFileWhole(chosen, copy);
    RestoreExchangeHeader(copy);
    return {copy, true};
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

// Attached read-only, the file has nothing to write back; should the detach
// fail, the connection drops it when it closes.
void detachFile(db::Connection& connection) {
    try {
        connection.detach(kAlias);
    } catch (const db::Error&) {
    }
}

// The engine's quick check of the attached file; a damaged file is detached again.
bool fileIntact(db::Connection& connection) {
    try {
        if (connection.scalar(QStringLiteral("PRAGMA %1.quick_check").arg(kAlias)).toString() == QLatin1String("ok")) return true;
    } catch (const db::Error&) {
        // A file the engine cannot check is as damaged as one that fails the check.
    }
    detachFile(connection);
    return false;
}

bool fileHasTable(db::Connection& connection, const QString& table) {
    return connection.scalar(QStringLiteral("SELECT count(*) FROM %1.sqlite_schema WHERE type='table' AND lower(name)=lower(?)")
                                 .arg(kAlias), {table}).toLongLong() > 0;
}

QString missingTableMessage(const QString& where, const QString& table) {
    return where + QStringLiteral("不存在名字为\"") + table + QStringLiteral("\"的数据表");
}

// Writes the conflict report when the staging table holds rows; true when it did.
bool writeConflictReport(db::Connection& connection, const QString& staging) {
    db::Statement rows(connection, QStringLiteral("select c901,c902 from %1 order by c901").arg(staging));
    if (!rows.next()) return false;
    TextFileWriter report(ConflictReportPath(), TextFileWriter::Mode::Truncate);
    report.writeLine(QStringLiteral("在准备导入的文件中，如下的记录与现有的记录发生编号冲突"));
    report.writeLine(QString(80, u'-'));
    do {
        report.writeLine(u'(' + db::variantToText(rows.value(0)) + u',' + rows.text(1) + u')');
    } while (rows.next());
    report.close();
    return true;
}

enum class Stage { None, Staging, Staged };

// After a failed bulk insert: copies the file's records into the staging table,
// keeps those whose c901 exists already and reports them. The stage reached.
Stage stageConflicts(db::Connection& connection, const QString& staging, const QString& table, const QString& columns) {
    Stage stage = Stage::None;
    try {
        connection.execute(QStringLiteral("delete from %1").arg(staging));
        db::Transaction transaction(connection);
        stage = Stage::Staging;
        connection.execute(QStringLiteral("insert into %1(%3) select %3 from %2.%4").arg(staging, kAlias, columns, table));
        connection.execute(QStringLiteral("delete from %1 where c901 not in (select c901 from %2)").arg(staging, table));
        transaction.commit();
        stage = Stage::Staged;
        if (writeConflictReport(connection, staging)) openWithDefaultApplication(ConflictReportPath());
    } catch (const std::exception&) {
        // The stage reached decides the message.
    }
    return stage;
}

// Steps after the file is attached.
ImportOutcome importAttached(db::Connection& connection, const QString& table, const QString& chosen) {
    QString label;
    QStringList fileColumns, ownColumns;
    try {
        if (!fileHasTable(connection, table)) {
            ui::showMessage(missingTableMessage(QStringLiteral("您选择的文件中"), table));
            return ImportOutcome::Failed;
        }
        if (!connection.hasTable(table)) {
            ui::showMessage(missingTableMessage(QStringLiteral("系统中"), table));
            return ImportOutcome::Failed;
        }
        db::Statement labels(connection, QStringLiteral("select * from %1.ct_label").arg(kAlias));
        if (labels.next()) label = labels.text(labels.columnIndex(QStringLiteral("db_name")));
        fileColumns = db::ColumnNames(connection, kAlias, table);
        ownColumns = db::ColumnNames(connection, QStringLiteral("main"), table);
    } catch (const db::Error& e) {
        ui::showRunError(e.message(), QStringLiteral("请与软件发行者联系。"));
        return ImportOutcome::Failed;
    }
    if (!ui::askYesNo(QStringLiteral("确认准备导入标记声明为【") + label + QStringLiteral("】的数据么？"),
                      QStringLiteral("提示：")))
        return ImportOutcome::Declined;

    // Rows move by the working table's columns; a file with other columns cannot be read.
    if (fileColumns.join(u',').toLower() != ownColumns.join(u',').toLower()) {
        ui::showMessage(QStringLiteral("导入文件格式错误"));
        return ImportOutcome::Refused;
    }
    QStringList quoted;
    for (const QString& name : ownColumns) quoted << db::quoteIdentifier(name);
    const QString columns = quoted.join(u',');
    const QString target = db::quoteIdentifier(table);
    try {
        db::Transaction transaction(connection);
        connection.execute(QStringLiteral("INSERT INTO %1(%3) select %3 from %2.%1").arg(target, kAlias, columns));
        transaction.commit();
        ui::showMessage(QStringLiteral("数据已经被正确地从'") + chosen + QStringLiteral("'导入！"));
        return ImportOutcome::Imported;
    } catch (const db::Error&) {
        // Nothing was added; the staging below finds the conflicting records.
    }
    const Stage stage = stageConflicts(connection, db::quoteIdentifier(table + u'_' + table), target, columns);
    ui::showMessage(stage == Stage::Staging
                        ? QStringLiteral("导入文件格式错误")
                        : QStringLiteral("导入过程中发生错误，准备导入的数据可能与现有的\n\r数据有重复的内容，详细的内容请参见文件：\n\r\n\r"
                                         "            数据导入编号冲突.txt。"));
    return ImportOutcome::Refused;
}

} // namespace

QString ConflictReportPath() { return tempFolder() + QStringLiteral("/数据导入编号冲突.txt"); }

ImportOutcome ImportExchangeFileAt(WorkingDatabase& working, const QString& table, const QString& chosen) {
    if (!QFileInfo(chosen).isFile()) {
        ui::showMessage(QStringLiteral("您选择的文件并不存在，请选择其它文件。"));
        return ImportOutcome::Failed;
    }
    PreparedFile file;
    try {
        file = prepare(chosen);
    } catch (const std::exception& e) {
        ui::showRunError(QString::fromUtf8(e.what()), QStringLiteral("请与软件发行者联系。"));
        return ImportOutcome::Failed;
    }
    db::Connection& connection = working.connection;
    // The file comes from elsewhere: no statement that reads it may run without end.
    const db::StatementTimeLimit limit(connection);
    if (file.path.isEmpty() || !attachFile(connection, file.path) || !fileIntact(connection)) {
        ui::showMessage(kFormatError);
        return ImportOutcome::Failed;
    }
    ImportOutcome outcome = ImportOutcome::Failed;
    try {
        outcome = importAttached(connection, table, chosen);
    } catch (const db::Error& e) {
        ui::showRunError(e.message(), QStringLiteral("请与软件发行者联系。"));
    }
    detachFile(connection);
    // The working copy is of no use after the import; it goes also after an early end.
    if (file.workingCopy) QFile::remove(file.path);
    return outcome;
}

bool ImportExchangeFile(WorkingDatabase& working, const QString& table) {
    ui::FileDialogRequest request;
    request.title = QStringLiteral("选择导入文件");
    request.folder = documentsFolder();
    request.filters = {QStringLiteral("数据加密文件(*.dat)"), QStringLiteral("数据备份文件(*.mdb)")};
    const ui::FileDialogAnswer answer = ui::prompter().chooseOpenFile(request);
    if (answer.path.trimmed().isEmpty()) return true;
    const QString chosen =
        CompleteOpenedFileName(answer.path, answer.filterIndex == 1 ? QStringLiteral(".mdb") : QStringLiteral(".dat"));
    return MustRequeryRecordList(ImportExchangeFileAt(working, table, chosen));
}
