#include "db/Maintenance.h"
#include "db/Error.h"

#include "db/Connection.h"
#include "db/Statement.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSaveFile>
#include <QTemporaryFile>

#include <filesystem>

namespace db {

void CopyFileWhole(const QString& source, const QString& destination) {
    QFile in(source);
    if (!QFileInfo(source).isFile() || !in.open(QIODevice::ReadOnly))
        throw Error(QStringLiteral("无法打开文件“%1”").arg(source));
    std::error_code ignored;
    if (std::filesystem::equivalent(QFile::encodeName(source).toStdString(),
                                    QFile::encodeName(destination).toStdString(), ignored))
        throw Error(QStringLiteral("文件“%1”正在使用，不能被覆盖").arg(destination));
    // The copy goes to a temporary file that replaces the destination only when
    // complete, so a failed copy never leaves a half-written file behind.
    QSaveFile out(destination);
    if (!out.open(QIODevice::WriteOnly)) throw Error(QStringLiteral("无法写入文件“%1”：%2").arg(destination, lastFileErrorText()));
    QByteArray chunk;
    while (!(chunk = in.read(1 << 20)).isEmpty()) {
        if (out.write(chunk) != chunk.size()) throw Error(QStringLiteral("无法写入文件“%1”：%2").arg(destination, lastFileErrorText()));
    }
    if (in.error() != QFileDevice::NoError) throw Error(QStringLiteral("读取文件“%1”时出错：%2").arg(source, lastFileErrorText()));
    if (!out.commit()) throw Error(QStringLiteral("无法写入文件“%1”：%2").arg(destination, lastFileErrorText()));
}

bool SameFile(const QString& a, const QString& b) {
    const QFileInfo x(a), y(b);
    return x.exists() && y.exists() ? x.canonicalFilePath() == y.canonicalFilePath()
                                    : x.absoluteFilePath() == y.absoluteFilePath();
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
    QString temporaryPath;
    try {
        {
            QTemporaryFile name(QDir::tempPath().left(254) + QStringLiteral("/~SMXXXXXX"));
            if (!name.open()) throw Error(QStringLiteral("无法建立临时文件：") + lastFileErrorText());
            temporaryPath = name.fileName();
        }  // the file is removed here; only its name is used
        Connection source;
        source.open(path, Access::Exclusive);
        source.compactInto(temporaryPath);
        source.close();
    } catch (const Error&) {
        if (!temporaryPath.isEmpty()) QFile::remove(temporaryPath);
        throw;
    }
    bool copied = true;
    try {
        CopyFileWhole(temporaryPath, path);
    } catch (const Error&) {
        copied = false;
    }
    QFile::remove(temporaryPath);
    return copied;
}

} // namespace db
