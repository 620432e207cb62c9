#include "core/Platform.h"

#include "core/Settings.h"

#include <QCoreApplication>
#include <QDir>
#include <QProcess>
#include <QStandardPaths>

namespace {

QString programFolderOverride;
std::function<void(const QString&)> fileOpener;

QString withSlash(QString folder) {
    folder = QDir::fromNativeSeparators(folder);
    if (!folder.endsWith(QLatin1Char('/'))) folder += QLatin1Char('/');
    return folder;
}

} // namespace

QString programFolder() {
    if (!programFolderOverride.isEmpty()) return programFolderOverride;
    return withSlash(QCoreApplication::applicationDirPath());
}

void setProgramFolder(const QString& folder) { programFolderOverride = folder.isEmpty() ? QString() : withSlash(folder); }

QString tempFolder() {
    QString folder = qEnvironmentVariable("TEMP");
    if (folder.isEmpty()) folder = QDir::tempPath();
    folder = QDir::fromNativeSeparators(folder);
    while (folder.size() > 1 && folder.endsWith(QLatin1Char('/'))) folder.chop(1);
    return folder;
}

QString documentsFolder() {
    QString folder = QStandardPaths::writableLocation(QStandardPaths::DocumentsLocation);
    if (folder.isEmpty()) folder = QDir::homePath();
    QDir().mkpath(folder);
    return folder;
}

QString userFolderSetting(const QString& name) {
    const QString stored = ReadSettingText(name, QString(), SettingsRoot::CurrentUser,
                                           QStringLiteral("\\Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\User Shell Folders"));
    return stored.isEmpty() ? documentsFolder() : QDir::fromNativeSeparators(stored);
}

void openWithDefaultApplication(const QString& path) {
    if (fileOpener) {
        fileOpener(path);
        return;
    }
    QProcess::startDetached(QStringLiteral("xdg-open"), {path});
}

void setFileOpener(std::function<void(const QString&)> opener) { fileOpener = std::move(opener); }

QStringList installedInputMethods() {
    QStringList names;
    for (const QString& name : {QStringLiteral("fcitx5"), QStringLiteral("fcitx"), QStringLiteral("ibus")})
        if (!QStandardPaths::findExecutable(name).isEmpty()) names << name;
    return names;
}
