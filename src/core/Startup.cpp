#include "core/Startup.h"

#include "core/ExchangePassword.h"
#include "core/FieldData.h"
#include "core/Platform.h"
#include "core/Prompt.h"
#include "db/EncryptedImage.h"
#include "db/Maintenance.h"
#include "db/RecordSet.h"
#include "db/Statement.h"

#include <QFile>
#include <QFileInfo>
#include <QLockFile>

#include <cerrno>
#include <fcntl.h>
#include <unistd.h>

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

// Why the lock file could not be made, in the clerk's words.
QString lockFailure() {
    const std::unique_ptr<QLockFile>& lock = workingFileLock();
    return lock && lock->error() == QLockFile::PermissionError ? db::systemErrorText(EACCES) : QStringLiteral("文件读写错误");
}

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

QString refuseProgramDataFile(const QString& path, const QString& workingPath) {
    if (!isProgramDataFile(path, workingPath)) return {};
    const QString refusal = QStringLiteral("不能导出到正在使用的数据库文件，请选择其它文件。");
    ui::showError(refusal);
    return refusal;
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

namespace {

// Whether the file can be written (tried, so that the user's rights on the
// file system decide); the message saying why not otherwise.
QString writeProblem(const QString& path) {
    const int fd = ::open(QFile::encodeName(path).constData(), O_RDWR | O_CLOEXEC);
    if (fd >= 0) {
        ::close(fd);
        return {};
    }
    if (errno == EROFS)
        return QStringLiteral("数据库文件“%1”在只读的磁盘上，不能使用。请把它复制到可以写入的文件夹后再打开。").arg(path);
    return QStringLiteral("数据库文件“%1”是只读的（%2），不能使用。").arg(path, db::systemErrorText(errno));
}

OpenResult failWith(OpenProblem problem, const QString& message) {
    workingDatabase().connection.close();
    ui::showError(message);
    return {problem};
}

} // namespace

OpenResult OpenSurveyDatabase(const QString& requestedPath, bool readOnly) {
    WorkingDatabase& working = workingDatabase();
    working.connection.close();
    const QString path = requestedPath.isEmpty() ? programFolder() + systemDataFileName() : requestedPath;
    const QString failure = QFileInfo(programFolder() + systemDataFileName()).isFile() ? kBadInstall : kNoDataFile;
    if (!QFileInfo(path).isFile()) return failWith(OpenProblem::Missing, kNoDataFile);
    if (!readOnly) {
        if (const QString problem = writeProblem(path); !problem.isEmpty()) return failWith(OpenProblem::ReadOnly, problem);
        switch (lockWorkingFile(path)) {
        case LockResult::Taken: break;
        case LockResult::HeldElsewhere: return failWith(OpenProblem::InUse, kInUse);
        case LockResult::Failed:
            // The lock file beside it cannot be made: the folder cannot be written.
            return failWith(OpenProblem::ReadOnly, QStringLiteral("不能在数据库文件所在的文件夹“%1”中写入（%2），数据库文件不能在那里使用。")
                                                       .arg(QFileInfo(path).absolutePath(), lockFailure()));
        }
    }
    working.path = path;
    try {
        const bool sealed = db::sealed::isSealedFile(path);
        if (readOnly) {
            working.connection.open(path, db::Access::ReadOnly, sealed ? DeriveExchangePassword() : QString());
        } else {
            if (sealed) removeExchangePassword(path, DeriveExchangePassword());
            working.connection.open(path, db::Access::ReadWrite);
        }
        checkSurveyDatabase(working.connection);
        working.label = readDatabaseLabel(working.connection);
    } catch (const db::Error& e) {
        if (!e.isMachineFault()) return failWith(OpenProblem::NotSurveyDatabase, failure);
        if (e.isBusy()) return failWith(OpenProblem::InUse, QStringLiteral("数据库文件正被其他程序使用，请先关闭其他程序后再打开。"));
        return failWith(OpenProblem::Failed, QStringLiteral("读取数据库文件“%1”时出错：%2").arg(path, e.message()));
    } catch (const std::exception&) {
        return failWith(OpenProblem::NotSurveyDatabase, failure);
    }
    return {};
}

void closeWorkingDatabase() {
    workingDatabase().connection.close();
    workingFileLock().reset();
}

void reopenWorkingDatabase() {
    WorkingDatabase& working = workingDatabase();
    working.connection.open(working.path, db::Access::ReadWrite);
}
