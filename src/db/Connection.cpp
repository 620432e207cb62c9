#include "db/Connection.h"

#include "db/EncryptedImage.h"
#include "db/NewFile.h"
#include "db/RecordSet.h"
#include "db/Statement.h"

#include <QFile>
#include <QFileInfo>
#include <QRegularExpression>
#include <sqlite3.h>

#include <algorithm>
#include <chrono>
#include <cmath>
#include <set>
#include <utility>
#include <vector>

namespace db {

namespace {

// int(x): the largest whole number not above x, as the survey's rule texts expect.
void sqlInt(sqlite3_context* context, int, sqlite3_value** argv) {
    switch (sqlite3_value_numeric_type(argv[0])) {
    case SQLITE_NULL: sqlite3_result_null(context); return;
    case SQLITE_INTEGER: sqlite3_result_int64(context, sqlite3_value_int64(argv[0])); return;
    case SQLITE_FLOAT: {
        const double f = std::floor(sqlite3_value_double(argv[0]));
        if (f >= -9.2e18 && f <= 9.2e18) sqlite3_result_int64(context, sqlite3_int64(f));
        else sqlite3_result_double(context, f);
        return;
    }
    default: sqlite3_result_error(context, "int(): 类型不匹配", -1);
    }
}

void configure(sqlite3* db) {
    sqlite3_extended_result_codes(db, 1);
    sqlite3_busy_timeout(db, 2000);
    // Defensive settings: a file's own schema may only call harmless functions,
    // and no statement may write the schema behind the engine's back.
    sqlite3_db_config(db, SQLITE_DBCONFIG_DEFENSIVE, 1, nullptr);
    sqlite3_db_config(db, SQLITE_DBCONFIG_TRUSTED_SCHEMA, 0, nullptr);
    sqlite3_db_config(db, SQLITE_DBCONFIG_ENABLE_LOAD_EXTENSION, 0, nullptr);
    sqlite3_limit(db, SQLITE_LIMIT_LENGTH, kMaxValueBytes);
    sqlite3_create_function_v2(db, "int", 1, SQLITE_UTF8 | SQLITE_DETERMINISTIC | SQLITE_INNOCUOUS, nullptr, sqlInt,
                               nullptr, nullptr, nullptr);
}

void exec(sqlite3* db, const char* sql) {
    if (sqlite3_exec(db, sql, nullptr, nullptr, nullptr) != SQLITE_OK) raiseEngineError(db);
}

// Hands a database image (a decrypted file, or a file from elsewhere read
// whole) to the engine as the content of schema `schema`.
void loadImage(sqlite3* db, const char* schema, const QByteArray& image, bool readOnly) {
    auto* buffer = static_cast<unsigned char*>(sqlite3_malloc64(sqlite3_uint64(image.size())));
    if (!buffer) throw Error(QStringLiteral("内存不足"));
    memcpy(buffer, image.constData(), size_t(image.size()));
    // An image in memory has no write-ahead log: a file that was in that mode
    // is read as an ordinary one (bytes 18 and 19 of the header give the mode).
    if (image.size() >= 20 && buffer[18] == 2 && buffer[19] == 2) buffer[18] = buffer[19] = 1;
    unsigned flags = SQLITE_DESERIALIZE_FREEONCLOSE | (readOnly ? SQLITE_DESERIALIZE_READONLY : SQLITE_DESERIALIZE_RESIZEABLE);
    if (sqlite3_deserialize(db, schema, buffer, image.size(), image.size(), flags) != SQLITE_OK)
        raiseEngineError(db);
}

QByteArray takeImage(sqlite3* db, const char* schema) {
    sqlite3_int64 size = 0;
    unsigned char* data = sqlite3_serialize(db, schema, &size, 0);
    if (!data) raiseEngineError(db);
    QByteArray image(reinterpret_cast<const char*>(data), qsizetype(size));
    sqlite3_free(data);
    return image;
}

bool isIdentifier(const QString& name) {
    static const QRegularExpression pattern(QStringLiteral("^[A-Za-z_][A-Za-z0-9_]*$"));
    return pattern.match(name).hasMatch();
}

struct SealedAttachment {
    QString alias;
    QString path;
    QString password;
    bool readOnly;
};

// The content of a database file as the engine is to see it: decrypted when sealed.
QByteArray readImage(const QString& path, const QString& password) {
    const QByteArray file = sealed::readFile(path);
    return sealed::isSealed(file) ? sealed::unseal(file, password) : file;
}

// The time limit of the statements on one connection: each statement's run
// starts the clock, and the engine asks regularly whether to give up.
struct TimeLimit {
    using Clock = std::chrono::steady_clock;
    int limitMs = 0;
    Clock::time_point deadline;

    static int onProgress(void* self) {
        return Clock::now() > static_cast<TimeLimit*>(self)->deadline ? 1 : 0;
    }
    static int onStatementStart(unsigned, void* self, void*, void* sqlText) {
        // Triggers report their start too; only a statement's own start restarts the clock.
        if (!QByteArray(static_cast<const char*>(sqlText)).startsWith("--")) {
            auto* limit = static_cast<TimeLimit*>(self);
            limit->deadline = Clock::now() + std::chrono::milliseconds(limit->limitMs);
        }
        return 0;
    }
    void apply(sqlite3* db, int ms) {
        limitMs = ms;
        deadline = Clock::now() + std::chrono::milliseconds(ms);
        sqlite3_progress_handler(db, ms > 0 ? 1000 : 0, ms > 0 ? onProgress : nullptr, this);
        sqlite3_trace_v2(db, ms > 0 ? SQLITE_TRACE_STMT : 0, ms > 0 ? onStatementStart : nullptr, this);
    }
};

} // namespace

struct Connection::Impl {
    sqlite3* db = nullptr;
    QString path;
    Access access = Access::ReadWrite;
    QString password;
    bool sealed = false;
    std::vector<SealedAttachment> attachments;
    std::set<RecordSet*> results;
    QStringList pendingDrops;
    TimeLimit timeLimit;

    // Checks that the file is a database the engine can read at all.
    void probe(const QString& schema) {
        const QString sql = QStringLiteral("SELECT count(*) FROM %1.sqlite_schema").arg(schema);
        if (sqlite3_exec(db, sql.toUtf8().constData(), nullptr, nullptr, nullptr) != SQLITE_OK)
            raiseEngineError(db);
    }
};

Connection::Connection() : d(std::make_unique<Impl>()) {}

Connection::~Connection() {
    try {
        close();
    } catch (...) {
        // A destructor cannot report; callers that care call close() themselves.
    }
}

void Connection::open(const QString& path, Access access, const QString& password) {
    close();
    if (!QFileInfo(path).isFile()) throw Error(QStringLiteral("找不到文件：") + path);
    const bool readOnly = access == Access::ReadOnly;
    const bool sealed = sealed::isSealedFile(path);
    if (sealed && password.isEmpty()) throw Error(QStringLiteral("文件设有密码，无法打开：") + path);

    // Sealed files and files from elsewhere live in memory; the engine opens only the others itself.
    const bool inMemory = sealed || readOnly;
    sqlite3* db = nullptr;
    const int flags = (inMemory ? SQLITE_OPEN_READWRITE | SQLITE_OPEN_MEMORY : SQLITE_OPEN_READWRITE) | SQLITE_OPEN_URI
                      | SQLITE_OPEN_NOMUTEX;
    const QByteArray name = inMemory ? QByteArray(":memory:") : QFile::encodeName(path);
    const int rc = sqlite3_open_v2(name.constData(), &db, flags, nullptr);
    d->db = db;
    try {
        if (rc != SQLITE_OK) raiseEngineError(db, path);
        configure(db);
        if (inMemory) loadImage(db, "main", readImage(path, password), readOnly);
        // The engine falls back to reading a file it may not write; such a file fails to open for writing.
        else if (sqlite3_db_readonly(db, "main") == 1) throw Error(QStringLiteral("数据库文件是只读的：") + path);
        if (readOnly) {
            exec(db, "PRAGMA query_only=1");
            d->timeLimit.apply(db, kStatementTimeLimitMs);
        }
        exec(db, "PRAGMA cell_size_check=ON");
        exec(db, "PRAGMA cache_size=-32768");
        if (access == Access::Exclusive && !sealed) {
            exec(db, "PRAGMA locking_mode=EXCLUSIVE");
            exec(db, "BEGIN EXCLUSIVE; COMMIT");
        }
        d->probe(QStringLiteral("main"));
    } catch (...) {
        sqlite3_close_v2(db);
        d->db = nullptr;
        throw;
    }
    d->path = path;
    d->access = access;
    d->password = password;
    d->sealed = sealed;
}

void Connection::close() {
    if (!d->db) return;
    for (RecordSet* result : std::set<RecordSet*>(d->results)) result->close();
    d->results.clear();
    d->pendingDrops.clear();
    if (inTransaction()) exec(d->db, "ROLLBACK");
    std::exception_ptr failure;
    try {
        while (!d->attachments.empty()) detach(d->attachments.back().alias);
        save();
    } catch (...) {
        failure = std::current_exception();
    }
    sqlite3_close_v2(d->db);
    d->db = nullptr;
    d->attachments.clear();
    d->timeLimit.limitMs = 0;
    d->path.clear();
    d->password.clear();
    d->sealed = false;
    if (failure) std::rethrow_exception(failure);
}

bool Connection::isOpen() const { return d->db != nullptr; }
QString Connection::path() const { return d->path; }
bool Connection::isSealed() const { return d->sealed; }
sqlite3* Connection::handle() const { return d->db; }

void Connection::addResult(RecordSet* result) { d->results.insert(result); }
void Connection::removeResult(RecordSet* result) { d->results.erase(result); }
void Connection::dropLater(const QString& table) { d->pendingDrops << table; }

void Connection::dropPending() {
    const QStringList tables = std::exchange(d->pendingDrops, {});
    for (const QString& table : tables) {
        const QByteArray sql = QStringLiteral("DROP TABLE IF EXISTS temp.%1").arg(table).toUtf8();
        if (sqlite3_exec(d->db, sql.constData(), nullptr, nullptr, nullptr) != SQLITE_OK) d->pendingDrops << table;
    }
}

void Connection::save() {
    if (!d->db || !d->sealed || d->access == Access::ReadOnly) return;
    if (inTransaction()) throw Error(QStringLiteral("事务尚未结束，不能保存文件"));
    writeFileWhole(d->path, sealed::seal(takeImage(d->db, "main"), d->password));
}

int Connection::execute(const QString& sql, const QVariantList& params) {
    Statement statement(*this, sql);
    statement.bindAll(params);
    statement.run();
    return sqlite3_changes(d->db);
}

void Connection::executeScript(const QString& sql) {
    if (!d->db) throw Error(QStringLiteral("数据库没有打开"));
    exec(d->db, sql.toUtf8().constData());
}

QVariant Connection::scalar(const QString& sql, const QVariantList& params) {
    Statement statement(*this, sql);
    statement.bindAll(params);
    return statement.next() && statement.columnCount() > 0 ? statement.value(0) : QVariant();
}

void Connection::begin() { execute(QStringLiteral("BEGIN")); }
void Connection::commit() { execute(QStringLiteral("COMMIT")); }
void Connection::rollback() {
    if (inTransaction()) execute(QStringLiteral("ROLLBACK"));
}
bool Connection::inTransaction() const { return d->db && !sqlite3_get_autocommit(d->db); }

QStringList Connection::tableNames() const {
    Statement statement(*this, QStringLiteral("SELECT name FROM sqlite_schema WHERE type IN ('table','view') "
                                              "AND name NOT LIKE 'sqlite\\_%' ESCAPE '\\' ORDER BY name"));
    QStringList names;
    while (statement.next()) names << statement.text(0);
    return names;
}

bool Connection::hasTable(const QString& name) const {
    return tableNames().contains(name, Qt::CaseInsensitive);
}

void Connection::attach(const QString& path, const QString& alias, const QString& password, bool readOnly) {
    if (!isIdentifier(alias)) throw Error(QStringLiteral("别名不合法：") + alias);
    if (!QFileInfo(path).isFile()) throw Error(QStringLiteral("找不到文件：") + path);
    const bool sealed = sealed::isSealedFile(path);
    if (sealed && password.isEmpty()) throw Error(QStringLiteral("文件设有密码，无法打开：") + path);
    const QString attachSql = QStringLiteral("ATTACH DATABASE ? AS ") + alias;
    if (sealed || readOnly) {
        attachLoaded(alias, readImage(path, password), readOnly);
        if (sealed) d->attachments.push_back({alias, path, password, readOnly});
        return;
    }
    execute(attachSql, {path});
    try {
        d->probe(alias);
    } catch (...) {
        execute(QStringLiteral("DETACH DATABASE ") + alias);
        throw;
    }
}

void Connection::detach(const QString& alias) {
    if (!isIdentifier(alias)) throw Error(QStringLiteral("别名不合法：") + alias);
    auto it = std::find_if(d->attachments.begin(), d->attachments.end(),
                           [&](const SealedAttachment& a) { return a.alias.compare(alias, Qt::CaseInsensitive) == 0; });
    if (it != d->attachments.end()) {
        const SealedAttachment attachment = *it;
        d->attachments.erase(it);
        if (!attachment.readOnly) {
            const QByteArray image = takeImage(d->db, attachment.alias.toUtf8().constData());
            writeFileWhole(attachment.path, sealed::seal(image, attachment.password));
        }
    }
    execute(QStringLiteral("DETACH DATABASE ") + alias);
}

void Connection::attachImage(const QByteArray& file, const QString& alias, const QString& password) {
    if (!isIdentifier(alias)) throw Error(QStringLiteral("别名不合法：") + alias);
    attachLoaded(alias, sealed::isSealed(file) ? sealed::unseal(file, password) : file, false);
}

void Connection::attachLoaded(const QString& alias, const QByteArray& image, bool readOnly) {
    execute(QStringLiteral("ATTACH DATABASE ? AS ") + alias, {QStringLiteral(":memory:")});
    try {
        loadImage(d->db, alias.toUtf8().constData(), image, readOnly);
        d->probe(alias);
    } catch (...) {
        execute(QStringLiteral("DETACH DATABASE ") + alias);
        throw;
    }
}

QByteArray Connection::detachImage(const QString& alias, const QString& password) {
    if (!isIdentifier(alias)) throw Error(QStringLiteral("别名不合法：") + alias);
    const QByteArray image = takeImage(d->db, alias.toUtf8().constData());
    execute(QStringLiteral("DETACH DATABASE ") + alias);
    return password.isEmpty() ? image : sealed::seal(image, password);
}

void Connection::compactInto(const QString& destination) {
    if (QFileInfo::exists(destination)) throw Error(QStringLiteral("目标文件已经存在：") + destination);
    if (d->sealed) {
        execute(QStringLiteral("VACUUM"));
        writeFileWhole(destination, sealed::seal(takeImage(d->db, "main"), d->password));
        return;
    }
    execute(QStringLiteral("VACUUM INTO ?"), {destination});
}

void Connection::backupInto(const QString& destination) {
    if (!d->db) throw Error(QStringLiteral("数据库没有打开"));
    if (QFileInfo::exists(destination)) throw Error(QStringLiteral("目标文件已经存在：") + destination);
    if (inTransaction()) throw Error(QStringLiteral("事务尚未结束，不能备份数据库"));
    // A database held in memory is written as it is.
    if (d->sealed || d->access == Access::ReadOnly) return writeFileWhole(destination, takeImage(d->db, "main"));
    // The file holds every change once the write-ahead log (if the file has
    // one) is written into it; while a read transaction holds the file's
    // shared lock nobody can change it, and its bytes are the database.
    exec(d->db, "PRAGMA main.wal_checkpoint(TRUNCATE)");
    Transaction reading(*this);
    scalar(QStringLiteral("SELECT count(*) FROM main.sqlite_schema"));
    // Read through the engine's own handle: a second descriptor of the file
    // would, when closed, end the engine's lock on it.
    sqlite3_file* file = nullptr;
    sqlite3_int64 size = 0;
    if (sqlite3_file_control(d->db, "main", SQLITE_FCNTL_FILE_POINTER, &file) != SQLITE_OK || !file || !file->pMethods
        || file->pMethods->xFileSize(file, &size) != SQLITE_OK)
        throw Error(QStringLiteral("无法读取数据库文件“%1”").arg(d->path));
    NewFile copy(destination);
    QByteArray chunk(1 << 20, Qt::Uninitialized);
    for (sqlite3_int64 offset = 0; offset < size;) {
        const int length = int(std::min<sqlite3_int64>(chunk.size(), size - offset));
        if (file->pMethods->xRead(file, chunk.data(), length, offset) != SQLITE_OK)
            throw Error(QStringLiteral("读取数据库文件“%1”时出错").arg(d->path), SQLITE_IOERR);
        copy.write(chunk.constData(), length);
        offset += length;
    }
    copy.commit();
}

void Connection::verify(const QStringList& requiredTables) {
    const QString check = scalar(QStringLiteral("PRAGMA quick_check")).toString();
    if (check != QLatin1String("ok")) throw Error(QStringLiteral("数据库文件已损坏（") + check + QStringLiteral("）"));
    Statement isTable(*this, QStringLiteral("SELECT count(*) FROM sqlite_schema WHERE type='table' AND name=? COLLATE NOCASE"));
    for (const QString& table : requiredTables) {
        isTable.bind(1, table);
        const bool present = isTable.next() && isTable.integer(0) > 0;
        isTable.reset();
        if (!present) throw Error(QStringLiteral("文件中缺少数据表：") + table);
    }
}

void Connection::requireSoleUse() {
    if (!d->db) throw Error(QStringLiteral("数据库没有打开"));
    if (sqlite3_exec(d->db, "BEGIN EXCLUSIVE; COMMIT", nullptr, nullptr, nullptr) == SQLITE_OK) return;
    const int code = sqlite3_errcode(d->db) & 0xff;
    if (inTransaction()) exec(d->db, "ROLLBACK");
    if (code == SQLITE_BUSY || code == SQLITE_LOCKED)
        throw Error(QStringLiteral("数据库文件正被其他程序使用，请先关闭其他程序"));
    raiseEngineError(d->db);
}

void Connection::createEmpty(const QString& path) {
    if (QFileInfo::exists(path)) throw Error(QStringLiteral("文件已经存在：") + path);
    sqlite3* db = nullptr;
    const int rc = sqlite3_open_v2(QFile::encodeName(path).constData(), &db,
                                   SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE | SQLITE_OPEN_NOMUTEX, nullptr);
    try {
        if (rc != SQLITE_OK) raiseEngineError(db, path);
        // The engine writes nothing until the first change; this gives the file its header.
        exec(db, "CREATE TABLE t(x); DROP TABLE t; VACUUM");
    } catch (...) {
        sqlite3_close_v2(db);
        QFile::remove(path);
        throw;
    }
    sqlite3_close_v2(db);
}

StatementTimeLimit::StatementTimeLimit(Connection& connection, int limitMs)
    : connection_(connection), previousMs_(connection.d->timeLimit.limitMs) {
    if (!connection_.d->db) throw Error(QStringLiteral("数据库没有打开"));
    connection_.d->timeLimit.apply(connection_.d->db, limitMs);
}

StatementTimeLimit::~StatementTimeLimit() {
    if (connection_.d->db) connection_.d->timeLimit.apply(connection_.d->db, previousMs_);
}

Transaction::Transaction(Connection& connection) : connection_(connection) { connection_.begin(); }

Transaction::~Transaction() {
    if (!open_) return;
    try {
        connection_.rollback();
    } catch (...) {
        // Nothing more can be done; the engine rolls back when the connection closes.
    }
}

void Transaction::commit() {
    connection_.commit();
    open_ = false;
}

QString quoteIdentifier(const QString& name) {
    QString quoted = name;
    quoted.replace(QLatin1Char('"'), QLatin1String("\"\""));
    return QLatin1Char('"') + quoted + QLatin1Char('"');
}

} // namespace db
