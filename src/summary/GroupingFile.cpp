#include "summary/GroupingFile.h"

#include "core/Platform.h"
#include "core/Progress.h"
#include "core/Prompt.h"
#include "core/Startup.h"
#include "db/Connection.h"
#include "db/Maintenance.h"
#include "db/Statement.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

namespace {

const QString kFileAlias = QStringLiteral("grp");

QString chooseFile(bool forExport) {
    ui::FileDialogRequest request;
    request.title = forExport ? QStringLiteral("导出文件存放为") : QStringLiteral("选择导入文件");
    request.folder = userFolderSetting(QStringLiteral("Orvanta"));
    if (forExport) QDir().mkpath(request.folder);
    request.filters = {QStringLiteral("Access文件(*.mdb)")};
    const ui::FileDialogAnswer answer =
        forExport ? ui::prompter().chooseSaveFile(request) : ui::prompter().chooseOpenFile(request);
    QString path = answer.path.trimmed();
    if (path.size() > 4 && !path.endsWith(QLatin1String(".mdb"))) path += QStringLiteral(".mdb");
    return path;
}

// The kind of an object of the grouping file ("table", "view", ...); empty when it has none of that name.
QString objectKind(db::Connection& working, const QString& name) {
    return working.scalar(QStringLiteral("SELECT type FROM %1.sqlite_schema WHERE lower(name)=lower(?)").arg(kFileAlias), {name})
        .toString();
}

// Rows the summary could not use safely: it compares c901 with symbol + bound
// and sorts the items by the stored order, so these hold only what the editor writes.
QString badRowsSql(const QString& table) {
    if (table.compare(QLatin1String("CT_Group"), Qt::CaseInsensitive) == 0)
        return QStringLiteral("SELECT count(*) FROM %1.CT_Group WHERE coalesce(orderstr,'')<>'' AND lower(orderstr) NOT IN "
                              "('id asc','id desc','title asc','title desc','lowvalue asc','lowvalue desc',"
                              "'highvalue asc','highvalue desc')")
            .arg(kFileAlias);
    return QStringLiteral("SELECT count(*) FROM %1.DT_GroupItem WHERE coalesce(LowSymbol,'') NOT IN ('>','>=') "
                          "OR coalesce(HighSymbol,'') NOT IN ('<','<=') "
                          "OR typeof(LowBoundary) NOT IN ('integer','real') OR typeof(HighBoundary) NOT IN ('integer','real')")
        .arg(kFileAlias);
}

// Checks a grouping table of the file before any row is copied.
void checkFileTable(db::Connection& working, const QString& table) {
    if (objectKind(working, table) != QLatin1String("table"))
        throw db::Error(QStringLiteral("分组文件中的“%1”不是数据表").arg(table));
    QStringList ours = db::ColumnNames(working, QStringLiteral("main"), table);
    QStringList theirs = db::ColumnNames(working, kFileAlias, table);
    for (QString& name : ours) name = name.toLower();
    for (QString& name : theirs) name = name.toLower();
    ours.sort();
    theirs.sort();
    if (ours != theirs) throw db::Error(QStringLiteral("分组文件中数据表%1的字段与本系统的不一致").arg(table));
    if (working.scalar(badRowsSql(table)).toLongLong() > 0)
        throw db::Error(QStringLiteral("分组文件中的数据表%1含有不正确的数据").arg(table));
}

// Replaces a working grouping table with the file's, column by column name.
void copyFileTable(db::Connection& working, const QString& table) {
    QStringList columns = db::ColumnNames(working, QStringLiteral("main"), table);
    for (QString& name : columns) name = db::quoteIdentifier(name);
    const QString list = columns.join(QLatin1Char(','));
    working.execute(QStringLiteral("delete from main.") + db::quoteIdentifier(table));
    working.execute(QStringLiteral("INSERT INTO main.%1(%2) SELECT %2 FROM %3.%1")
                        .arg(db::quoteIdentifier(table), list, kFileAlias));
}

// Creates a grouping table in the grouping file as the working database defines
// it and copies its rows, value by value with their kinds.
void copyWorkingTable(db::Connection& working, db::Connection& file, const QString& table) {
    if (db::TableExists(file, table)) {
        try {
            file.execute(QStringLiteral("DROP TABLE main.") + db::quoteIdentifier(table));
        } catch (const db::Error&) {
            // Not a table: creating it below fails with the engine's message.
        }
    }
    file.execute(working.scalar(QStringLiteral("SELECT sql FROM main.sqlite_schema WHERE type='table' AND name=?"), {table})
                     .toString());
    db::Statement rows(working, QStringLiteral("SELECT * FROM main.") + db::quoteIdentifier(table));
    const QStringList marks(rows.columnCount(), QStringLiteral("?"));
    db::Statement insert(file, QStringLiteral("INSERT INTO main.%1 VALUES(%2)")
                                   .arg(db::quoteIdentifier(table), marks.join(QLatin1Char(','))));
    while (rows.next()) {
        for (int c = 0; c < rows.columnCount(); ++c) insert.bind(c + 1, rows.value(c));
        insert.run();
    }
}

} // namespace

QStringList groupingTables() { return {QStringLiteral("CT_Group"), QStringLiteral("DT_GroupItem")}; }

QString ChooseGroupingExportFile() { return chooseFile(true); }

QString ChooseGroupingImportFile() { return chooseFile(false); }

bool ExportGroupings(db::Connection& working, const QString& filePath, ui::ProgressSink& progress) {
    if (!refuseProgramDataFile(filePath, working.path()).isEmpty()) return false;
    const QStringList tables = groupingTables();
    const bool created = !QFileInfo::exists(filePath);
    try {
        if (created) db::Connection::createEmpty(filePath);
        db::Connection file;
        file.open(filePath);
        progress.start(int(tables.size()), 0);
        progress.step();
        db::Transaction transaction(file);
        for (const QString& table : tables) {
            copyWorkingTable(working, file, table);
            progress.step();
        }
        transaction.commit();
        file.close();
    } catch (const db::Error& e) {
        if (created) QFile::remove(filePath);
        progress.hide();
        ui::showRunError(e.message(), ui::contactTail());
        return false;
    }
    progress.hide();
    ui::showMessage(QStringLiteral("数据已经被正确导出到：'") + filePath + QStringLiteral("'！"));
    return true;
}

bool ImportGroupings(db::Connection& working, const QString& filePath, ui::ProgressSink& progress) {
    if (!QFileInfo(filePath).isFile()) {
        ui::showMessage(QStringLiteral("您选择的文件并不存在，请选择其它文件。"));
        return false;
    }
    const QStringList tables = groupingTables();
    bool attached = false;
    try {
        // The engine would take an empty file for an empty database.
        if (QFileInfo(filePath).size() == 0) throw db::Error(QStringLiteral("不是有效的数据库文件（文件是空的）"));
        const db::StatementTimeLimit limit(working);
        working.attach(filePath, kFileAlias, {}, true);
        attached = true;
        const QString check = working.scalar(QStringLiteral("PRAGMA %1.quick_check").arg(kFileAlias)).toString();
        if (check != QLatin1String("ok")) throw db::Error(QStringLiteral("数据库文件已损坏（") + check + QStringLiteral("）"));
        QStringList present;
        for (const QString& table : tables) {
            if (objectKind(working, table).isEmpty()) continue;
            checkFileTable(working, table);
            present << table;
        }
        progress.start(int(tables.size()), 0);
        progress.step();
        db::Transaction transaction(working);
        for (const QString& table : tables) {
            if (present.contains(table)) {
                copyFileTable(working, table);
                progress.step();
            } else {
                ui::showMessage(QStringLiteral("您选择的文件中不存在名字为\"") + table + QStringLiteral("\"的数据表"));
            }
        }
        transaction.commit();
        working.detach(kFileAlias);
    } catch (const db::Error& e) {
        if (attached) {
            try {
                working.detach(kFileAlias);
            } catch (const db::Error&) {
                // The file stays attached read-only until the connection closes; nothing was changed.
            }
        }
        progress.hide();
        ui::showRunError(e.message(), ui::contactTail());
        return false;
    }
    progress.hide();
    ui::showMessage(QStringLiteral("数据分组导入操作完成！"));
    return true;
}
