#include "db/Maintenance.h"
#include "db/Error.h"

#include "db/Connection.h"
#include "db/Statement.h"

#include "db/NewFile.h"

#include <QFile>
#include <QFileInfo>

#include <cstdio>
#include <sys/stat.h>

namespace db {

void CopyFileWhole(const QString& source, const QString& destination) {
    QFile in(source);
    if (!QFileInfo(source).isFile() || !in.open(QIODevice::ReadOnly))
        throw Error(QStringLiteral("无法打开文件“%1”：%2").arg(source, lastFileErrorText()));
    if (SameFile(source, destination)) throw Error(QStringLiteral("文件“%1”正在使用，不能被覆盖").arg(destination));
    NewFile out(destination);
    QByteArray chunk;
    while (!(chunk = in.read(1 << 20)).isEmpty()) out.write(chunk);
    if (in.error() != QFileDevice::NoError) throw Error(QStringLiteral("读取文件“%1”时出错：%2").arg(source, lastFileErrorText()));
    out.commit();
}

bool SameFile(const QString& a, const QString& b) {
    struct stat x {}, y {};
    if (::stat(QFile::encodeName(a).constData(), &x) == 0 && ::stat(QFile::encodeName(b).constData(), &y) == 0)
        return x.st_dev == y.st_dev && x.st_ino == y.st_ino;
    return QFileInfo(a).absoluteFilePath() == QFileInfo(b).absoluteFilePath();
}

QStringList ColumnNames(const Connection& connection, const QString& schema, const QString& table) {
    Statement columns(connection, QStringLiteral("SELECT name FROM pragma_table_info(?, ?) ORDER BY cid"));
    columns.bindAll({table, schema});
    QStringList names;
    while (columns.next()) names << columns.text(0);
    return names;
}

bool TableExists(const Connection& connection, const QString& table) { return connection.hasTable(table); }

bool CompactDatabaseFile(const QString& path) {
    // The compacted copy is made beside the file under a hidden name and renamed
    // over it: the file is replaced whole or not at all, and a killed run leaves
    // only a hidden name that the next write into the folder removes.
    const QString compacted = NewFile::hiddenPath(QFileInfo(path).absolutePath());
    try {
        Connection source;
        source.open(path, Access::Exclusive);
        source.compactInto(compacted);
        source.close();
    } catch (const Error&) {
        QFile::remove(compacted);
        throw;
    }
    if (::rename(QFile::encodeName(compacted).constData(), QFile::encodeName(path).constData()) == 0) return true;
    QFile::remove(compacted);
    return false;
}

} // namespace db
