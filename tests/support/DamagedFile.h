#pragma once

#include <QByteArray>
#include <QList>
#include <QString>
#include <functional>

// Helpers that make the files a failing disk or a hostile sender would hand
// over, by SQL with the schema writable or by writing bytes.
namespace test {

// Runs SQL on a database file through a plain engine connection: no defensive
// settings and the schema writable.
void executeRaw(const QString& path, const QString& sql);

// The leaf pages of a table, in key order.
QList<int> leafPages(const QString& path, const QString& table);

// Overwrites bytes of page `page` (numbered from 1) from byte `offset` on.
void overwritePage(const QString& path, int page, int offset, const QByteArray& bytes);

// Gives the first row of a leaf page of a table with whole-number keys the key
// `key`, which must take as many bytes as the key it replaces: the rows are out
// of order then, as after a disk error.
void setFirstKeyOfLeaf(const QString& path, int page, qint64 key);

// Damages the first row of a leaf page so that reading its last values fails,
// while its first values, the page itself and the other rows stay readable.
void damageFirstRowOfLeaf(const QString& path, int page);

// Runs `work` with file permissions checked as an ordinary user would meet
// them, so that a write-protected file stays write-protected for tests run as root.
void asOrdinaryUser(const std::function<void()>& work);

// While it lives, no file of the process may grow past `bytes`: writes
// beyond fail as on a disk that is full.
class FileSizeLimit {
public:
    explicit FileSizeLimit(long bytes);
    ~FileSizeLimit();
    FileSizeLimit(const FileSizeLimit&) = delete;
    FileSizeLimit& operator=(const FileSizeLimit&) = delete;

private:
    unsigned long saved_;
};

} // namespace test
