#pragma once

#include <QByteArray>
#include <QString>

namespace db {

// A file that appears at its path whole or not at all. It is made unnamed in
// the destination's folder (O_TMPFILE) and linked into place by commit(), so
// a run that is killed leaves nothing behind. Where the file system has no
// unnamed files, it is made under a hidden name of this process
// (".<name>.~varnel-<pid>-XXXXXX") and renamed into place; such names left by
// a killed run are removed the next time a file is written into that folder.
// A file that is not committed is discarded. Failures raise Error with the
// file and the cause in words ("磁盘已满" when the disk is full).
class NewFile {
public:
    // `mode`: the new file's permissions; an existing file keeps its own.
    explicit NewFile(const QString& path, int mode = 0644);
    ~NewFile();
    NewFile(const NewFile&) = delete;
    NewFile& operator=(const NewFile&) = delete;

    void write(const char* data, qint64 size);
    void write(const QByteArray& bytes) { write(bytes.constData(), bytes.size()); }
    // Puts the complete file in place of `path`, replacing what was there.
    void commit();
    // The open file, for a library that writes or reads it itself.
    int descriptor() const { return fd_; }

    // A hidden name of this process in `folder`, for a file that another
    // library writes by name; the same leftovers rule holds for it.
    static QString hiddenPath(const QString& folder);
    // Removes the hidden files that killed runs left in `folder`.
    static void removeLeftovers(const QString& folder);
    // Tests turn unnamed files off to try the hidden names.
    static void setUnnamedFilesAllowed(bool allowed);

private:
    [[noreturn]] void fail(int errorNumber) const;
    QString path_;
    QString hidden_;  // the hidden name, empty while the file is unnamed
    int fd_ = -1;
};

// Writes `bytes` as the whole file `path` (see NewFile).
void writeFileWhole(const QString& path, const QByteArray& bytes, int mode = 0644);

} // namespace db
