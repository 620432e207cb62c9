#include "db/NewFile.h"

#include "db/Error.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QRandomGenerator>
#include <QRegularExpression>

#include <cerrno>
#include <csignal>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace db {
namespace {

bool unnamedFilesAllowed = true;

const QString kHiddenPrefix = QStringLiteral(".~varnel-");

// A hidden name of this process in `folder`: ".~varnel-<pid>-XXXXXX.part".
QString hiddenName(const QString& folder) {
    static const char letters[] = "abcdefghijklmnopqrstuvwxyz0123456789";
    QString random;
    for (int i = 0; i < 6; ++i) random += QLatin1Char(letters[QRandomGenerator::global()->bounded(36)]);
    return folder + u'/' + kHiddenPrefix + QString::number(::getpid()) + u'-' + random + QStringLiteral(".part");
}

bool processRuns(qint64 pid) { return ::kill(pid_t(pid), 0) == 0 || errno == EPERM; }

QByteArray nativePath(const QString& path) { return QFile::encodeName(path); }

} // namespace

NewFile::NewFile(const QString& path, int mode) : path_(QFileInfo(path).absoluteFilePath()) {
    const QFileInfo target(path_);
    if (target.isDir()) throw Error(QStringLiteral("无法写入文件“%1”：同名的文件夹已经存在").arg(path_));
    const QString folder = target.absolutePath();
    removeLeftovers(folder);
    struct stat existing {};
    if (::stat(nativePath(path_).constData(), &existing) == 0) mode = int(existing.st_mode & 07777);
    if (unnamedFilesAllowed) {
        fd_ = ::open(nativePath(folder).constData(), O_TMPFILE | O_WRONLY | O_CLOEXEC, mode_t(mode));
        // File systems without unnamed files say so in one of these ways.
        if (fd_ < 0 && errno != EOPNOTSUPP && errno != EISDIR && errno != EINVAL) fail(errno);
    }
    while (fd_ < 0) {
        hidden_ = hiddenName(folder);
        fd_ = ::open(nativePath(hidden_).constData(), O_CREAT | O_EXCL | O_WRONLY | O_CLOEXEC, mode_t(mode));
        if (fd_ < 0 && errno != EEXIST) {
            const int cause = errno;
            hidden_.clear();
            fail(cause);
        }
    }
}

NewFile::~NewFile() {
    if (fd_ >= 0) ::close(fd_);
    if (!hidden_.isEmpty()) ::unlink(nativePath(hidden_).constData());
}

void NewFile::write(const char* data, qint64 size) {
    if (fd_ < 0) throw Error(QStringLiteral("无法写入文件“%1”：文件已经关闭").arg(path_));
    while (size > 0) {
        const ssize_t written = ::write(fd_, data, size_t(size));
        if (written < 0 && errno == EINTR) continue;
        if (written < 0) fail(errno);
        data += written;
        size -= written;
    }
}

void NewFile::commit() {
    if (fd_ < 0) throw Error(QStringLiteral("无法写入文件“%1”：文件已经关闭").arg(path_));
    // A full disk may show only when the data reach it.
    if (::fsync(fd_) != 0) fail(errno);
    if (hidden_.isEmpty()) {
        // An unnamed file gets a hidden name for the instant before it replaces the destination.
        const QByteArray self = QByteArrayLiteral("/proc/self/fd/") + QByteArray::number(fd_);
        while (true) {
            hidden_ = hiddenName(QFileInfo(path_).absolutePath());
            if (::linkat(AT_FDCWD, self.constData(), AT_FDCWD, nativePath(hidden_).constData(), AT_SYMLINK_FOLLOW) == 0) break;
            const int cause = errno;
            hidden_.clear();
            if (cause != EEXIST) fail(cause);
        }
    }
    if (::rename(nativePath(hidden_).constData(), nativePath(path_).constData()) != 0) fail(errno);
    hidden_.clear();
    const int fd = std::exchange(fd_, -1);
    if (::close(fd) != 0) fail(errno);
}

void NewFile::fail(int errorNumber) const {
    throw Error(QStringLiteral("无法写入文件“%1”：%2").arg(path_, systemErrorText(errorNumber)));
}

void NewFile::removeLeftovers(const QString& folder) {
    static const QRegularExpression pattern(QStringLiteral("^\\.~varnel-(\\d+)-[a-z0-9]{6}\\.part$"));
    const QDir dir(folder);
    for (const QString& name : dir.entryList({kHiddenPrefix + u'*'}, QDir::Files | QDir::Hidden | QDir::System)) {
        const QRegularExpressionMatch match = pattern.match(name);
        if (match.hasMatch() && !processRuns(match.captured(1).toLongLong())) QFile::remove(dir.filePath(name));
    }
}

QString NewFile::hiddenPath(const QString& folder) {
    removeLeftovers(folder);
    return hiddenName(folder);
}

void NewFile::setUnnamedFilesAllowed(bool allowed) { unnamedFilesAllowed = allowed; }

void writeFileWhole(const QString& path, const QByteArray& bytes, int mode) {
    NewFile file(path, mode);
    file.write(bytes);
    file.commit();
}

} // namespace db
