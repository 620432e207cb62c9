#include "support/DamagedFile.h"

#include <QFile>
#include <gtest/gtest.h>
#include <sqlite3.h>
#include <csignal>
#include <sys/fsuid.h>
#include <sys/resource.h>
#include <unistd.h>

namespace test {
namespace {

sqlite3* openRaw(const QString& path) {
    sqlite3* db = nullptr;
    EXPECT_EQ(sqlite3_open_v2(QFile::encodeName(path).constData(), &db, SQLITE_OPEN_READWRITE, nullptr), SQLITE_OK);
    return db;
}

int pageSize(sqlite3* db) {
    sqlite3_stmt* stmt = nullptr;
    sqlite3_prepare_v2(db, "PRAGMA page_size", -1, &stmt, nullptr);
    sqlite3_step(stmt);
    const int size = sqlite3_column_int(stmt, 0);
    sqlite3_finalize(stmt);
    return size;
}

void patchFile(const QString& path, qint64 at, const QByteArray& bytes) {
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::ReadWrite));
    ASSERT_TRUE(file.seek(at));
    ASSERT_EQ(file.write(bytes), bytes.size());
}

QByteArray readAt(const QString& path, qint64 at, qint64 length) {
    QFile file(path);
    EXPECT_TRUE(file.open(QIODevice::ReadOnly));
    file.seek(at);
    return file.read(length);
}

} // namespace

void executeRaw(const QString& path, const QString& sql) {
    sqlite3* db = openRaw(path);
    char* error = nullptr;
    const QByteArray text = (QStringLiteral("PRAGMA writable_schema=ON;") + sql).toUtf8();
    EXPECT_EQ(sqlite3_exec(db, text.constData(), nullptr, nullptr, &error), SQLITE_OK) << (error ? error : "");
    sqlite3_free(error);
    sqlite3_close(db);
}

QList<int> leafPages(const QString& path, const QString& table) {
    sqlite3* db = openRaw(path);
    sqlite3_stmt* stmt = nullptr;
    EXPECT_EQ(sqlite3_prepare_v2(db, "SELECT pageno FROM dbstat WHERE name=? AND pagetype='leaf' ORDER BY path", -1, &stmt,
                                 nullptr),
              SQLITE_OK);
    const QByteArray name = table.toUtf8();
    sqlite3_bind_text(stmt, 1, name.constData(), -1, SQLITE_TRANSIENT);
    QList<int> pages;
    while (sqlite3_step(stmt) == SQLITE_ROW) pages << sqlite3_column_int(stmt, 0);
    sqlite3_finalize(stmt);
    sqlite3_close(db);
    return pages;
}

void overwritePage(const QString& path, int page, int offset, const QByteArray& bytes) {
    sqlite3* db = openRaw(path);
    const int size = pageSize(db);
    sqlite3_close(db);
    patchFile(path, qint64(page - 1) * size + offset, bytes);
}

namespace {

// Where the first row of a table leaf page lies in the file: its key and, after it, the row's record.
struct FirstRow {
    qint64 keyAt = 0;
    int keyLength = 0;
    qint64 recordAt() const { return keyAt + keyLength; }
};

FirstRow firstRowOfLeaf(const QString& path, int page) {
    sqlite3* db = openRaw(path);
    const qint64 start = qint64(page - 1) * pageSize(db);
    sqlite3_close(db);
    // A leaf's header is 8 bytes, followed by the cell offsets; a cell starts
    // with the payload length and the key, both as variable-length integers.
    const QByteArray header = readAt(path, start, 10);
    EXPECT_EQ(header[0], char(13)) << "not a table leaf page";
    const int cell = (uchar(header[8]) << 8) | uchar(header[9]);
    const QByteArray cellStart = readAt(path, start + cell, 18);
    int at = 0;
    while (uchar(cellStart[at]) & 0x80) ++at;
    FirstRow row{start + cell + at + 1, 1};
    while (uchar(cellStart[at + row.keyLength]) & 0x80) ++row.keyLength;
    return row;
}

} // namespace

void setFirstKeyOfLeaf(const QString& path, int page, qint64 key) {
    const FirstRow row = firstRowOfLeaf(path, page);
    QByteArray encoded;
    for (quint64 rest = quint64(key); ; rest >>= 7) {
        encoded.prepend(char((rest & 0x7f) | (encoded.isEmpty() ? 0 : 0x80)));
        if (rest < 0x80) break;
    }
    ASSERT_EQ(encoded.size(), row.keyLength) << "the new key must take as many bytes as the old one";
    patchFile(path, row.keyAt, encoded);
}

void damageFirstRowOfLeaf(const QString& path, int page) {
    // The record begins with the length of its header, which lists the type of
    // each value. The last value, a NULL, is made a text of 57 bytes that the
    // row does not hold: the first values still read, the last ones fail.
    const qint64 recordAt = firstRowOfLeaf(path, page).recordAt();
    const QByteArray start = readAt(path, recordAt, 2);
    const int headerLength = uchar(start[0]) & 0x80 ? ((uchar(start[0]) & 0x7f) << 7) | uchar(start[1]) : uchar(start[0]);
    ASSERT_EQ(readAt(path, recordAt + headerLength - 1, 1), QByteArray(1, '\0')) << "the last value is not NULL";
    patchFile(path, recordAt + headerLength - 1, QByteArray("\x7f", 1));
}

void asOrdinaryUser(const std::function<void()>& work) {
    if (geteuid() != 0) {
        work();
        return;
    }
    // The file system user of this thread only; root's rights on files are off meanwhile.
    setfsgid(65534);
    setfsuid(65534);
    work();
    setfsuid(0);
    setfsgid(0);
}

FileSizeLimit::FileSizeLimit(long bytes) {
    // The signal a write past the limit raises would end the tests.
    std::signal(SIGXFSZ, SIG_IGN);
    rlimit limit {};
    getrlimit(RLIMIT_FSIZE, &limit);
    saved_ = limit.rlim_cur;
    limit.rlim_cur = rlim_t(bytes);
    setrlimit(RLIMIT_FSIZE, &limit);
}

FileSizeLimit::~FileSizeLimit() {
    rlimit limit {};
    getrlimit(RLIMIT_FSIZE, &limit);
    limit.rlim_cur = saved_;
    setrlimit(RLIMIT_FSIZE, &limit);
}

} // namespace test
