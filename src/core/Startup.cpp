#include "core/Startup.h"

#include "core/ExchangePassword.h"
#include "core/FieldData.h"
#include "core/Platform.h"
#include "core/Prompt.h"
#include "db/EncryptedImage.h"
#include "db/Maintenance.h"
#include "db/RecordSet.h"
#include "db/Statement.h"

#include <QFileInfo>
#include <QLockFile>

namespace {

const QString kNoDataFile = QStringLiteral("没有找到系统数据文件，请重新安装。");
const QString kBadInstall = QStringLiteral("软件安装不正确，请与软件提供者联系！");
const QString kInUse = QStringLiteral("数据库文件正被本程序的另一个窗口或其他程序使用，本程序不能同时运行。");

// The tables of a survey database; each must be a table, not a view of that name.
const QStringList kSurveyTables = {
    QStringLiteral("dt_data"),     QStringLiteral("dt_data_dt_data"), QStringLiteral("DT_FieldList"),
    QStringLiteral("dt_logic"),    QStringLiteral("ct_label"),        QStringLiteral("CT_LevelCode"),
    QStringLiteral("CT_state"),    QStringLiteral("CT_CityName"),     QStringLiteral("ct_sheetName"),
    QStringLiteral("CT_Group"),    QStringLiteral("DT_GroupItem")};

// The lock that marks the working file as taken by this program while it runs:
// a lock file beside it, which a program that ended without removing it leaves
// stale and free.
std::unique_ptr<QLockFile>& workingFileLock() {
    static std::unique_ptr<QLockFile> lock;
    return lock;
}

enum class LockResult { Taken, HeldElsewhere, Failed };

LockResult lockWorkingFile(const QString& path) {
    std::unique_ptr<QLockFile>& lock = workingFileLock();
    const QString lockPath = path + QStringLiteral(".lock");
    if (lock && lock->isLocked() && lock->fileName() == lockPath) return LockResult::Taken;
    lock = std::make_unique<QLockFile>(lockPath);
    lock->setStaleLockTime(0);  // a lock is stale only when its program no longer runs
    if (lock->tryLock()) return LockResult::Taken;
    return lock->error() == QLockFile::LockFailedError ? LockResult::HeldElsewhere : LockResult::Failed;
}

// A sealed file is taken off its password only after its decrypted content
// proved to be a survey database; raises db::Error otherwise.
void removeExchangePassword(const QString& path, const QString& password) {
    {
        db::Connection content;
        content.open(path, db::Access::ReadOnly, password);
        checkSurveyDatabase(content);
    }
    db::sealed::removePassword(path, password);
}

} // namespace

WorkingDatabase& workingDatabase() {
    static WorkingDatabase working;
    return working;
}

bool isProgramDataFile(const QString& path, const QString& workingPath) {
    return db::SameFile(path, workingPath) || db::SameFile(path, programFolder() + systemDataFileName())
           || db::SameFile(path, programFolder() + QStringLiteral("view.dll"));
}

QString readDatabaseLabel(db::Connection& connection) {
    db::Statement label(connection, QStringLiteral("select * from ct_label"));
    return label.next() ? label.text(label.columnIndex(QStringLiteral("db_name"))) : QString();
}

QString mainWindowTitle(const QString& label) {
    return QStringLiteral("2019年度全国Varnel--基层以上工会调查表（离线工具） - ") + label;
}

void checkSurveyDatabase(db::Connection& connection) {
    db::StatementTimeLimit limit(connection);
    connection.verify(kSurveyTables);
    readDatabaseLabel(connection);
    LoadFieldDataArray(connection);
    // The record list as the main window opens it (integer codes, none twice),
    // and once through all its rows: each step computes every value of a row.
    db::RecordSet list;
    list.openKeyed(connection, recordListSql(), QStringLiteral("c901"));
    db::Statement rows(connection, recordListSql());
    while (rows.next()) {
    }
}

bool OpenSurveyDatabase(const QString& requestedPath) {
    WorkingDatabase& working = workingDatabase();
    working.connection.close();
    const QString path = requestedPath.isEmpty() ? programFolder() + systemDataFileName() : requestedPath;
    const QString failure = QFileInfo(programFolder() + systemDataFileName()).isFile() ? kBadInstall : kNoDataFile;
    if (!QFileInfo(path).isFile()) {
        ui::showMessage(kNoDataFile);
        return false;
    }
    switch (lockWorkingFile(path)) {
    case LockResult::Taken: break;
    case LockResult::HeldElsewhere: ui::showMessage(kInUse); return false;
    case LockResult::Failed: ui::showMessage(failure); return false;
    }
    working.path = path;
    try {
        if (db::sealed::isSealedFile(path)) removeExchangePassword(path, DeriveExchangePassword());
        working.connection.open(path, db::Access::ReadWrite);
        checkSurveyDatabase(working.connection);
        working.label = readDatabaseLabel(working.connection);
    } catch (const std::exception&) {
        working.connection.close();
        ui::showMessage(failure);
        return false;
    }
    return true;
}

void closeWorkingDatabase() {
    workingDatabase().connection.close();
    workingFileLock().reset();
}

void reopenWorkingDatabase() {
    WorkingDatabase& working = workingDatabase();
    working.connection.open(working.path, db::Access::ReadWrite);
}
