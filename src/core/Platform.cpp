#include "core/Platform.h"

#include "core/Prompt.h"
#include "core/Settings.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QStandardPaths>


namespace {

// How long the opener may take to say that no program takes a file.
constexpr int kOpenerWaitMs = 3000;

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
    return deliveredFolder();
}

void setProgramFolder(const QString& folder) { programFolderOverride = folder.isEmpty() ? QString() : withSlash(folder); }

QString deliveredFolder() { return withSlash(QCoreApplication::applicationDirPath()); }

QString perUserProgramFolder() {
    return withSlash(QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation) + QStringLiteral("/varnel-survey"));
}

namespace {

// Copies the files of `from` that `to` lacks, folders included; programs stay behind.
bool copyMissingFiles(const QString& from, const QString& to) {
    if (!QDir().mkpath(to)) return false;
    for (const QFileInfo& entry : QDir(from).entryInfoList(QDir::Files | QDir::Dirs | QDir::NoDotAndDotDot)) {
        const QString target = to + QLatin1Char('/') + entry.fileName();
        if (entry.isDir()) {
            if (!copyMissingFiles(entry.filePath(), target)) return false;
        } else if (!entry.isExecutable() && !QFileInfo::exists(target)) {
            // The copy must be writable even though the delivered file is not.
            if (!QFile::copy(entry.filePath(), target)
                || !QFile::setPermissions(target, QFile::permissions(target) | QFile::WriteOwner | QFile::ReadOwner))
                return false;
        }
    }
    return true;
}

} // namespace

bool settleProgramFolder() {
    if (QFileInfo(deliveredFolder()).isWritable()) return true;
    const QString folder = perUserProgramFolder();
    if (!copyMissingFiles(deliveredFolder(), folder)) {
        ui::showMessage(QStringLiteral("无法建立程序文件夹“%1”，请检查该文件夹的权限和磁盘空间。").arg(folder));
        return false;
    }
    setProgramFolder(folder);
    return true;
}

QString tempFolder() {
    QString folder = qEnvironmentVariable("TEMP");
    if (folder.isEmpty()) folder = QDir::tempPath();
    folder = QDir::fromNativeSeparators(folder);
    while (folder.size() > 1 && folder.endsWith(QLatin1Char('/'))) folder.chop(1);
    return folder;
}

QString fileNameWithPart(const QString& prefix, const QString& part, const QString& suffix, const QString& extension) {
    // 255 bytes less the 7 of the temporary name (name + ".XXXXXX") a file
    // is written under beside its place before it takes its name.
    constexpr qsizetype kMaxNameBytes = 255 - 7;
    static const QString kNotInNames = QStringLiteral("\\/:*?\"<>|");
    qsizetype room = kMaxNameBytes - QFile::encodeName(prefix + suffix + extension).size();
    QString kept;
    for (const char32_t c : part.toUcs4()) {
        if (c < 0x20 || (c >= 0x7f && c < 0xa0)) continue;
        const QString character = c < 0x80 && kNotInNames.contains(QChar(c)) ? QStringLiteral("_") : QString::fromUcs4(&c, 1);
        room -= QFile::encodeName(character).size();
        if (room < 0) break;
        kept += character;
    }
    return prefix + kept + suffix;
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
    // xdg-open ends at once with a failure when no program takes the file;
    // one still running after a moment has started a program, and is left to it.
    auto* opener = new QProcess(QCoreApplication::instance());
    QObject::connect(opener, &QProcess::finished, opener, &QObject::deleteLater);
    opener->start(QStringLiteral("xdg-open"), {path});
    const bool failed = !opener->waitForStarted()
                        || (opener->waitForFinished(kOpenerWaitMs)
                            && (opener->exitStatus() != QProcess::NormalExit || opener->exitCode() != 0));
    if (opener->state() == QProcess::NotRunning) opener->deleteLater();
    if (failed) ui::showMessage(QStringLiteral("没有找到能打开该文件的程序，文件保存在：%1").arg(QDir::toNativeSeparators(path)));
}

void setFileOpener(std::function<void(const QString&)> opener) { fileOpener = std::move(opener); }

QStringList installedInputMethods() {
    QStringList names;
    for (const QString& name : {QStringLiteral("fcitx5"), QStringLiteral("fcitx"), QStringLiteral("ibus")})
        if (!QStandardPaths::findExecutable(name).isEmpty()) names << name;
    return names;
}
