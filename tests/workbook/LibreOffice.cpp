#include "LibreOffice.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <gtest/gtest.h>

namespace test {
namespace {

QString soffice() { return QStandardPaths::findExecutable(QStringLiteral("soffice")); }

// Runs one conversion with a profile of this test process, so that tests
// running side by side do not share LibreOffice's profile lock.
bool convert(const QString& workbook, const QString& filter, const QString& folder) {
    static QTemporaryDir profile;
    QProcess process;
    process.start(soffice(), {QStringLiteral("-env:UserInstallation=file://") + profile.path(), QStringLiteral("--headless"),
                              QStringLiteral("--norestore"), QStringLiteral("--convert-to"), filter,
                              QStringLiteral("--outdir"), folder, workbook});
    if (!process.waitForFinished(180000)) {
        process.kill();
        ADD_FAILURE() << "LibreOffice did not finish";
        return false;
    }
    return process.exitStatus() == QProcess::NormalExit && process.exitCode() == 0;
}

// RFC 4180 rows, as LibreOffice writes them.
std::vector<QStringList> parseCsv(const QString& text) {
    std::vector<QStringList> rows;
    QStringList row;
    QString field;
    bool quoted = false;
    for (qsizetype i = 0; i < text.size(); ++i) {
        const QChar c = text[i];
        if (quoted) {
            if (c == QLatin1Char('"') && i + 1 < text.size() && text[i + 1] == QLatin1Char('"')) field += text[++i];
            else if (c == QLatin1Char('"')) quoted = false;
            else field += c;
        } else if (c == QLatin1Char('"')) {
            quoted = true;
        } else if (c == QLatin1Char(',')) {
            row << field;
            field.clear();
        } else if (c == QLatin1Char('\n')) {
            row << field;
            rows.push_back(row);
            row.clear();
            field.clear();
        } else if (c != QLatin1Char('\r')) {
            field += c;
        }
    }
    if (!field.isEmpty() || !row.isEmpty()) rows.push_back(row << field);
    return rows;
}

} // namespace

bool libreOfficeInstalled() { return !soffice().isEmpty(); }

QString convertedByLibreOffice(const QString& workbook, const QString& extension, const QString& folder) {
    QDir().mkpath(folder);
    if (!convert(workbook, extension, folder)) return {};
    const QString path = folder + QLatin1Char('/') + QFileInfo(workbook).completeBaseName() + QLatin1Char('.') + extension;
    return QFile::exists(path) ? path : QString();
}

std::map<QString, std::vector<QStringList>> shownByLibreOffice(const QString& workbook, const QStringList& sheetNames,
                                                               const QString& folder) {
    // Comma, double quote, UTF-8, from line 1, values as shown, every sheet into a file of its own.
    QDir().mkpath(folder);
    std::map<QString, std::vector<QStringList>> sheets;
    if (!convert(workbook, QStringLiteral("csv:Text - txt - csv (StarCalc):44,34,76,1,,0,false,true,true,false,false,-1"), folder))
        return sheets;
    const QString base = folder + QLatin1Char('/') + QFileInfo(workbook).completeBaseName();
    for (const QString& name : sheetNames) {
        QFile file(base + QLatin1Char('-') + name + QStringLiteral(".csv"));
        if (file.open(QIODevice::ReadOnly)) sheets[name] = parseCsv(QString::fromUtf8(file.readAll()));
    }
    return sheets;
}

} // namespace test
