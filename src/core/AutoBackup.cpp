#include "core/AutoBackup.h"

#include "core/Prompt.h"
#include "core/Settings.h"
#include "core/Startup.h"
#include "db/Connection.h"
#include "db/Maintenance.h"
#include "db/NewFile.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QRegularExpression>

#include <algorithm>
#include <cerrno>
#include <cstdio>

namespace {

const QString kFolderName = QStringLiteral("自动备份");
const QString kTimeFormat = QStringLiteral("yyyyMMdd-hhmmss");
const QString kSettingName = QStringLiteral("AutoBackupKept");
constexpr int kDefaultKept = 10;

// The companion reads the desktop's setting too, without the desktop's start-up.
QString settingKey() {
    return QStringLiteral("\\SOFTWARE\\Quillon\\") + programApplicationName() + QStringLiteral("\\Options\\EnvSetting");
}

QString dataFileName(const QString& databasePath) { return QFileInfo(databasePath).completeBaseName(); }

// The backups in the folder of the database file at `databasePath`, newest
// first, as their names tell; nothing of them is read.
QList<AutoBackup> backupFiles(const QString& databasePath) {
    const QString folder = autoBackupFolder(databasePath);
    const QRegularExpression pattern(u'^' + QRegularExpression::escape(dataFileName(databasePath))
                                     + QStringLiteral("-(\\d{8}-\\d{6})-(.+)\\.mdb$"));
    QList<AutoBackup> backups;
    for (const QString& name : QDir(folder).entryList({QStringLiteral("*.mdb")}, QDir::Files)) {
        const QRegularExpressionMatch match = pattern.match(name);
        if (!match.hasMatch()) continue;
        const QDateTime time = QDateTime::fromString(match.captured(1), kTimeFormat);
        if (time.isValid()) backups.append({name, folder + u'/' + name, time, match.captured(2), -1, {}});
    }
    std::sort(backups.begin(), backups.end(), [](const AutoBackup& a, const AutoBackup& b) {
        return a.time != b.time ? a.time > b.time : a.name > b.name;
    });
    return backups;
}

// Removes the oldest backups beyond the number kept; one that cannot be
// removed stays until the next backup tries again.
void removeOldBackups(const QString& databasePath, int kept) {
    const QList<AutoBackup> backups = backupFiles(databasePath);
    for (qsizetype i = kept; i < backups.size(); ++i) QFile::remove(backups[i].path);
}

// Reads the number of records and the label of a backup into `backup`. The
// backup is opened by itself, so that a working database that is only read
// lists its backups too; nothing of it is written.
void readContent(AutoBackup& backup) {
    try {
        db::Connection content;
        content.open(backup.path);
        const qint64 records = content.scalar(QStringLiteral("select count(*) from dt_data")).toLongLong();
        backup.label = readDatabaseLabel(content);
        backup.records = records;
    } catch (const db::Error&) {
        // A damaged backup is listed without its content.
    }
}

} // namespace

int autoBackupsKept() { return std::max(0, ReadSettingInteger(kSettingName, kDefaultKept, SettingsRoot::LocalMachine, settingKey())); }

void setAutoBackupsKept(int count) { WriteSettingInteger(kSettingName, count, SettingsRoot::LocalMachine, settingKey()); }

QString autoBackupFolder(const QString& databasePath) { return QFileInfo(databasePath).absolutePath() + u'/' + kFolderName; }

QString MakeAutoBackup(db::Connection& connection, const QString& step) {
    const int kept = autoBackupsKept();
    if (kept == 0) return {};
    const QString databasePath = connection.path();
    const QString folder = autoBackupFolder(databasePath);
    try {
        if (!QDir().mkpath(folder))
            throw db::Error(QStringLiteral("无法建立文件夹“%1”：%2").arg(folder, db::lastFileErrorText()));
        // Two backups within one second: the later one takes the next free
        // second, so that the times in the names tell their order.
        QDateTime time = QDateTime::currentDateTime();
        const QString prefix = dataFileName(databasePath) + u'-';
        while (!QDir(folder).entryList({prefix + time.toString(kTimeFormat) + QStringLiteral("-*.mdb")}, QDir::Files).isEmpty())
            time = time.addSecs(1);
        const QString path = folder + u'/' + prefix + time.toString(kTimeFormat) + u'-' + step + QStringLiteral(".mdb");
        connection.backupInto(path);
    } catch (const std::exception& e) {
        return QString::fromUtf8(e.what());
    }
    removeOldBackups(databasePath, kept);
    return {};
}

QString autoBackupFailedMessage(const QString& reason) {
    return QStringLiteral("自动备份没有完成，数据没有任何改动：") + reason;
}

QList<AutoBackup> ListAutoBackups(db::Connection& connection) {
    QList<AutoBackup> backups = backupFiles(connection.path());
    for (AutoBackup& backup : backups) readContent(backup);
    return backups;
}

Outcome RestoreAutoBackup(WorkingDatabase& working, const QString& name) {
    const QList<AutoBackup> backups = ListAutoBackups(working.connection);
    const auto chosen = std::find_if(backups.begin(), backups.end(), [&](const AutoBackup& b) { return b.name == name; });
    if (chosen == backups.end()) {
        const QString refusal = QStringLiteral("没有名为“%1”的自动备份。").arg(name);
        ui::showError(refusal);
        return Outcome::refused(refusal);
    }
    const AutoBackup backup = *chosen;
    const QString damaged = QStringLiteral("自动备份“%1”已经损坏，不能恢复。").arg(name);
    try {
        db::Connection content;
        content.open(backup.path, db::Access::ReadOnly);
        checkSurveyDatabase(content);
    } catch (const std::exception&) {
        ui::showError(damaged);
        return Outcome::refused(damaged);
    }
    const QString afterwards = autoBackupsKept() > 0 ? QStringLiteral("恢复之前先自动备份现在的数据库文件。")
                                                      : QStringLiteral("自动备份已经关闭，现在的数据库文件将不再保留。");
    if (!ui::askYesNo(QStringLiteral("确认用%1在“%2”之前所做的自动备份（%3条记录，标识为【%4】）替换现在的数据库么？\n\n%5")
                          .arg(backup.time.toString(QStringLiteral("yyyy-MM-dd hh:mm:ss")), backup.step)
                          .arg(backup.records)
                          .arg(backup.label, afterwards)))
        return Outcome::declined();

    // The backup is copied beside the working file first, so that it can take the file's place at once.
    const QString copy = db::NewFile::hiddenPath(QFileInfo(working.path).absolutePath());
    try {
        db::CopyFileWhole(backup.path, copy);
    } catch (const db::Error& e) {
        ui::showError(QStringLiteral("恢复没有完成，数据没有任何改动：") + e.message());
        return Outcome::failed(e.message());
    }
    if (const QString reason = MakeAutoBackup(working.connection, QStringLiteral("从自动备份恢复")); !reason.isEmpty()) {
        QFile::remove(copy);
        ui::showError(autoBackupFailedMessage(reason));
        return Outcome::failed(reason);
    }
    working.connection.close();
    const bool replaced = ::rename(QFile::encodeName(copy).constData(), QFile::encodeName(working.path).constData()) == 0;
    const QString cause = replaced ? QString() : db::systemErrorText(errno);
    if (!replaced) QFile::remove(copy);
    // The working database opens again, the restored file or the one that stayed.
    const bool reopened = bool(OpenSurveyDatabase(working.path));
    working.announceRecordsChanged();
    if (!replaced) {
        ui::showError(QStringLiteral("恢复没有完成，数据没有任何改动：") + cause);
        return Outcome::failed(cause);
    }
    if (!reopened) return Outcome::failed(QStringLiteral("恢复的数据库文件不能打开"));
    ui::showMessage(QStringLiteral("已经从自动备份“%1”恢复了数据库，共%2条记录。").arg(name).arg(backup.records));
    return Outcome::done(working.path);
}
