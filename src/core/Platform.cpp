#include "core/Platform.h"

#include "core/Prompt.h"
#include "core/Settings.h"
#include "core/Startup.h"
#include "db/Error.h"
#include "db/Maintenance.h"
#include "db/NewFile.h"

#include <QCoreApplication>
#include <QCryptographicHash>
#include <QDir>
#include <QDirIterator>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QMap>
#include <QProcess>
#include <QStandardPaths>

#include <cerrno>
#include <stdexcept>
#include <sys/stat.h>
#include <unistd.h>


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

// The list of the files delivered into the per-user program folder, one line
// each: the checksum of the file as delivered, two blanks and its name (the
// form sha256sum writes and checks).
const QString kDeliveredList = QStringLiteral(".delivered.sha256");

QByteArray fileChecksum(const QString& path) {
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) return {};
    QCryptographicHash hash(QCryptographicHash::Sha256);
    hash.addData(&file);
    return hash.result().toHex();
}

// The delivered files below `folder` by their names relative to it; the programs stay behind.
QStringList deliveredFiles(const QString& folder) {
    QStringList names;
    QDirIterator files(folder, QDir::Files, QDirIterator::Subdirectories);
    while (files.hasNext()) {
        const QFileInfo file(files.next());
        if (!file.isExecutable()) names << QDir(folder).relativeFilePath(file.filePath());
    }
    names.sort();
    return names;
}

QMap<QString, QByteArray> readDeliveredList(const QString& path) {
    QMap<QString, QByteArray> list;
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) return list;
    while (!file.atEnd()) {
        const QByteArray line = file.readLine().chopped(1);
        const qsizetype gap = line.indexOf("  ");
        if (gap > 0) list.insert(QString::fromUtf8(line.mid(gap + 2)), line.left(gap));
    }
    return list;
}

bool writeDeliveredList(const QString& path, const QMap<QString, QByteArray>& list) {
    QByteArray text;
    for (auto entry = list.cbegin(); entry != list.cend(); ++entry) text += entry.value() + "  " + entry.key().toUtf8() + '\n';
    try {
        db::writeFileWhole(path, text);
    } catch (const db::Error&) {
        return false;
    }
    return true;
}

// Copies a delivered file into place whole (an interrupted copy leaves the
// earlier file); the copy is the user's to change even where the delivered one is read-only.
bool copyDeliveredFile(const QString& from, const QString& to) {
    if (!QDir().mkpath(QFileInfo(to).path())) return false;
    try {
        db::CopyFileWhole(from, to);
    } catch (const db::Error&) {
        return false;
    }
    return QFile::setPermissions(to, QFile::permissions(to) | QFile::ReadOwner | QFile::WriteOwner);
}

} // namespace

bool runsInstalled() {
    // The package's folder, below any root (an unpacked package too), or any folder the user cannot write.
    return deliveredFolder().endsWith(QStringLiteral("/" INSTALL_PROGRAM_FOLDER "/")) || !QFileInfo(deliveredFolder()).isWritable();
}

bool updateProgramFolder(const QString& delivered, const QString& folder) {
    if (!QDir().mkpath(folder)) return false;
    const QMap<QString, QByteArray> before = readDeliveredList(folder + kDeliveredList);
    QMap<QString, QByteArray> after;
    for (const QString& name : deliveredFiles(delivered)) {
        const QString target = folder + name;
        const bool present = QFileInfo::exists(target);
        // The system data file is the user's database from the first start on.
        if (name == systemDataFileName()) {
            if (!present && !copyDeliveredFile(delivered + name, target)) return false;
            continue;
        }
        const QByteArray now = fileChecksum(delivered + name);
        if (present) {
            const QByteArray mine = fileChecksum(target);
            if (mine == now) {
                after.insert(name, now);
                continue;
            }
            // Changed by the user (or of a version that kept no list): it stays as it is.
            if (!before.contains(name) || mine != before.value(name)) {
                if (before.contains(name)) after.insert(name, before.value(name));
                continue;
            }
        }
        if (!copyDeliveredFile(delivered + name, target)) return false;
        after.insert(name, now);
    }
    return after == before || writeDeliveredList(folder + kDeliveredList, after);
}

bool settleProgramFolder() {
    if (!runsInstalled()) return true;
    const QString folder = perUserProgramFolder();
    if (!updateProgramFolder(deliveredFolder(), folder)) {
        ui::showMessage(QStringLiteral("无法建立程序文件夹“%1”，请检查该文件夹的权限和磁盘空间。").arg(folder));
        return false;
    }
    setProgramFolder(folder);
    return true;
}

QString userGuidePath() {
    const QString name = QStringLiteral("用户手册.md");
    const QString installed = QDir::cleanPath(deliveredFolder() + QStringLiteral("../../usr/share/doc/varnel-survey/") + name);
    return QFileInfo::exists(installed) ? installed : QStringLiteral(SOURCE_DOCS_FOLDER) + name;
}

namespace {

// The user's own temporary folder, made with mode 0700 when missing. One that
// is no folder, belongs to another user or is open to others is refused: the
// files in it hold survey data.
QString privateTempFolder() {
    const QString runtime = qEnvironmentVariable("XDG_RUNTIME_DIR");
    const QString folder = !runtime.isEmpty() && QFileInfo(runtime).isDir()
                               ? QDir::fromNativeSeparators(runtime) + QStringLiteral("/varnel-survey")
                               : QDir::tempPath() + QStringLiteral("/varnel-survey-") + QString::number(::getuid());
    const QByteArray name = QFile::encodeName(folder);
    if (::mkdir(name.constData(), 0700) != 0 && errno != EEXIST)
        throw std::runtime_error(QStringLiteral("无法建立临时文件夹“%1”：%2").arg(folder, db::systemErrorText(errno)).toStdString());
    struct stat info {};
    if (::lstat(name.constData(), &info) != 0 || !S_ISDIR(info.st_mode) || info.st_uid != ::getuid() || (info.st_mode & 077) != 0)
        throw std::runtime_error(
            QStringLiteral("临时文件夹“%1”不是本用户专用的文件夹，不能使用。请删除它后再试。").arg(folder).toStdString());
    return folder;
}

} // namespace

QString tempFolder() {
    QString folder = qEnvironmentVariable("TEMP");
    if (folder.isEmpty()) return privateTempFolder();
    folder = QDir::fromNativeSeparators(folder);
    while (folder.size() > 1 && folder.endsWith(QLatin1Char('/'))) folder.chop(1);
    return folder;
}

QString fileNameWithPart(const QString& prefix, const QString& part, const QString& suffix, const QString& extension) {
    // The file system's 255 bytes with a margin of 7, so that a name proposed
    // once is proposed the same way again.
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
    // xdg-open ends at once with a failure when no program takes the file; one
    // still running after a moment has started a program. The window goes on
    // meanwhile, and the clerk is told where the file is when it failed.
    auto* opener = new QProcess(QCoreApplication::instance());
    QElapsedTimer started;
    started.start();
    const auto failed = [path] {
        ui::showMessage(QStringLiteral("没有找到能打开该文件的程序，文件保存在：%1").arg(QDir::toNativeSeparators(path)));
    };
    QObject::connect(opener, &QProcess::finished, opener, [opener, started, failed](int code, QProcess::ExitStatus status) {
        opener->deleteLater();
        if ((status != QProcess::NormalExit || code != 0) && started.elapsed() < kOpenerWaitMs) failed();
    });
    QObject::connect(opener, &QProcess::errorOccurred, opener, [opener, failed](QProcess::ProcessError error) {
        if (error != QProcess::FailedToStart) return;
        opener->deleteLater();
        failed();
    });
    opener->start(QStringLiteral("xdg-open"), {path});
}

void setFileOpener(std::function<void(const QString&)> opener) { fileOpener = std::move(opener); }

QStringList installedInputMethods() {
    QStringList names;
    for (const QString& name : {QStringLiteral("fcitx5"), QStringLiteral("fcitx"), QStringLiteral("ibus")})
        if (!QStandardPaths::findExecutable(name).isEmpty()) names << name;
    return names;
}
