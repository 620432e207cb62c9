#pragma once

#include "db/Error.h"

#include <QString>
#include <QStringList>
#include <QVariant>
#include <memory>

struct sqlite3;

namespace db {

class RecordSet;

enum class Access {
    ReadWrite,  // the working database and files the program made itself
    Exclusive,  // read-write, and no other connection may use the file meanwhile
    ReadOnly,   // files from elsewhere: read into memory, never written, every statement bounded in time
};

// How long one statement on a file from elsewhere (and on the working file
// while it is first checked) may run before it gives up with the format error.
constexpr int kStatementTimeLimitMs = 20000;
// The longest text, blob or row any database file may hold.
constexpr int kMaxValueBytes = 1024 * 1024;

// One connection to a database file. Files may carry a password: such a file
// is sealed as a whole (see EncryptedImage.h), is decrypted into memory on
// open and written back sealed when the connection is saved or closed, so no
// plain copy of it ever touches the disk.
//
// The program uses a connection from one thread only, so the engine's per-call
// locking is switched off.
//
// Every connection runs with the engine's defensive settings: the schema of a
// file is not trusted to call anything but harmless functions, damaged files
// raise errors instead of being read blindly, and no value or row may grow
// beyond kMaxValueBytes.
//
// A file from elsewhere (Access::ReadOnly) is read whole into memory, so that
// nothing is ever written beside it (no journal, no -wal or -shm file) and it
// opens from read-only media; its statements are bounded in time.
class Connection {
public:
    Connection();
    ~Connection();
    Connection(const Connection&) = delete;
    Connection& operator=(const Connection&) = delete;

    // Opens the file at `path`. With a password, a sealed file is decrypted with
    // it (a wrong password or a changed byte fails); a plain file opens as it is.
    // Without a password a sealed file fails to open. A file that can only be
    // read fails to open for writing. Raises Error on failure.
    void open(const QString& path, Access access = Access::ReadWrite, const QString& password = {});
    // Writes a sealed file back (unless read-only) and closes. Safe to call twice.
    void close();
    bool isOpen() const;
    QString path() const;
    bool isSealed() const;

    // Writes the in-memory image of a sealed file back to disk now.
    void save();

    // Runs one statement without result; returns the number of changed rows.
    int execute(const QString& sql, const QVariantList& params = {});
    // Runs several statements separated by semicolons, without parameters.
    void executeScript(const QString& sql);
    // Runs a query and returns the first column of its first row (null when none).
    QVariant scalar(const QString& sql, const QVariantList& params = {});

    void begin();
    void commit();
    void rollback();
    bool inTransaction() const;

    // Names of the tables and views, without the engine's own tables.
    QStringList tableNames() const;
    // Membership in tableNames(), ignoring letter case.
    bool hasTable(const QString& name) const;

    // Makes another file reachable as `alias`.table. A sealed file needs its
    // password; it is written back when detached unless attached read-only.
    // A file attached read-only is one from elsewhere: it is read into memory
    // like an Access::ReadOnly file, and statements that read it belong under
    // a StatementTimeLimit.
    void attach(const QString& path, const QString& alias, const QString& password = {}, bool readOnly = false);
    void detach(const QString& alias);
    // Makes the bytes of a database file held in memory (sealed with
    // `password`, or plain) reachable as `alias`, for a file that is built in
    // memory and written whole when complete.
    void attachImage(const QByteArray& file, const QString& alias, const QString& password = {});
    // Detaches such an image and gives its content back as the bytes of a
    // file: sealed with `password`, or plain without one.
    QByteArray detachImage(const QString& alias, const QString& password = {});

    // Writes a compacted copy of the main database to `destination`, which must not exist.
    void compactInto(const QString& destination);
    // Writes a copy of the main database to `destination`, which must not
    // exist: the file's bytes, read under the engine's shared lock, so as
    // fast as copying the file. The copy appears whole or not at all (see
    // NewFile). Not within a transaction.
    void backupInto(const QString& destination);

    // Raises Error unless the engine finds the file intact and every named table
    // exists as a table (a view of that name does not count).
    void verify(const QStringList& requiredTables);

    // Raises Error when another connection, of this program or another one,
    // holds a lock on the file (after waiting briefly for it to end).
    void requireSoleUse();

    sqlite3* handle() const;

    // Creates an empty database file at `path`, replacing nothing: fails when a file is there.
    static void createEmpty(const QString& path);

private:
    friend class RecordSet;
    friend class StatementTimeLimit;
    // Result sets on this connection, closed when it closes; temporary tables
    // that could not be dropped while a statement was running are dropped later.
    void addResult(RecordSet* result);
    void removeResult(RecordSet* result);
    void dropLater(const QString& table);
    void dropPending();
    // Attaches a database image held in memory as `alias`.
    void attachLoaded(const QString& alias, const QByteArray& image, bool readOnly);

    struct Impl;
    std::unique_ptr<Impl> d;
};

// While it lives, every statement on the connection that runs longer than
// `limitMs` gives up with the format error: for reading a file whose schema
// could hold a view that never ends.
class StatementTimeLimit {
public:
    explicit StatementTimeLimit(Connection& connection, int limitMs = kStatementTimeLimitMs);
    ~StatementTimeLimit();
    StatementTimeLimit(const StatementTimeLimit&) = delete;
    StatementTimeLimit& operator=(const StatementTimeLimit&) = delete;

private:
    Connection& connection_;
    int previousMs_;
};

// Rolls back on destruction unless committed: a failed operation leaves nothing behind.
class Transaction {
public:
    explicit Transaction(Connection& connection);
    ~Transaction();
    Transaction(const Transaction&) = delete;
    Transaction& operator=(const Transaction&) = delete;
    void commit();

private:
    Connection& connection_;
    bool open_ = true;
};

// Quotes a name for use as an identifier in SQL text.
QString quoteIdentifier(const QString& name);

} // namespace db
