#pragma once

#include "core/Outcome.h"

#include <QDateTime>
#include <QList>
#include <QString>

class WorkingDatabase;
namespace db {
class Connection;
}

// Automatic backups. Before a step removes or overwrites records, a copy of
// the database goes into the folder "自动备份" beside its file, named
// "<data file name>-<yyyymmdd-hhmmss>-<step>.mdb" (the data file's name
// without its extension). The newest ones are kept, as many as the setting
// "参数设置" holds (10 unless changed; 0 makes none).

// The number of backups kept, and its setting.
int autoBackupsKept();
void setAutoBackupsKept(int count);

// The folder of the backups of the database file at `databasePath`.
QString autoBackupFolder(const QString& databasePath);

// Makes the backup of the database that `connection` works on before `step`
// (the command's caption, such as "删除记录") and removes the oldest ones
// beyond the number kept. Empty when it was made or backups are off;
// otherwise why it could not be made (a full disk), in the clerk's words: the
// step must then not go on.
QString MakeAutoBackup(db::Connection& connection, const QString& step);
// The message of a step that stopped because its backup could not be made.
QString autoBackupFailedMessage(const QString& reason);

// One backup as the list of backups shows it.
struct AutoBackup {
    QString name;     // the file name in the folder
    QString path;
    QDateTime time;   // when it was made, from its name
    QString step;     // the step it was made before
    qint64 records;   // -1 when the file cannot be read
    QString label;    // the database label it holds
};

// The backups of the database that `connection` works on, newest first.
QList<AutoBackup> ListAutoBackups(db::Connection& connection);

// "从自动备份恢复": after the user confirmed, backs up the working database
// (step "从自动备份恢复"), puts the backup named `name` in its place and
// reopens it; the windows re-read their records on recordsChanged(). A backup
// that is no survey database is refused before anything changes.
Outcome RestoreAutoBackup(WorkingDatabase& working, const QString& name);
