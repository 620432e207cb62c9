#include "db/Statement.h"

#include "db/Connection.h"

#include <sqlite3.h>

#include <cmath>

namespace db {

void raiseEngineError(sqlite3* db, const QString& context) {
    const QString detail = QString::fromUtf8(sqlite3_errmsg(db));
    const auto explained = [&](const QString& words) { return words + QStringLiteral("（") + detail + QStringLiteral("）"); };
    QString message;
    switch (sqlite3_errcode(db) & 0xff) {
    case SQLITE_NOTADB: message = explained(QStringLiteral("不是有效的数据库文件")); break;
    case SQLITE_CORRUPT: message = explained(QStringLiteral("数据库文件已损坏")); break;
    case SQLITE_BUSY:
    case SQLITE_LOCKED: message = explained(QStringLiteral("数据库文件正被其他程序使用")); break;
    case SQLITE_CANTOPEN: message = explained(QStringLiteral("无法打开数据库文件")); break;
    case SQLITE_READONLY: message = explained(QStringLiteral("数据库文件是只读的")); break;
    case SQLITE_FULL: message = explained(QStringLiteral("磁盘已满")); break;
    case SQLITE_IOERR: message = explained(QStringLiteral("磁盘读写错误")); break;
    case SQLITE_NOMEM: message = QStringLiteral("内存不足"); break;
    case SQLITE_PERM: message = explained(QStringLiteral("没有访问权限")); break;
    // A statement stopped by its time limit, or a value beyond the length limit:
    // the file holds something no survey file holds.
    case SQLITE_INTERRUPT: message = QStringLiteral("文件格式错误（读取超出时间限度）"); break;
    case SQLITE_TOOBIG: message = QStringLiteral("文件格式错误（数据项超出长度限度）"); break;
    default: message = detail;
    }
    if (!context.isEmpty()) message += QStringLiteral("：") + context;
    throw Error(message, sqlite3_errcode(db) & 0xff);
}

Statement::Statement(const Connection& connection, const QString& sql) : db_(connection.handle()) {
    if (!db_) throw Error(QStringLiteral("数据库没有打开"));
    const QByteArray text = sql.toUtf8();
    if (sqlite3_prepare_v2(db_, text.constData(), int(text.size()), &stmt_, nullptr) != SQLITE_OK) raiseEngineError(db_, sql);
    if (!stmt_) throw Error(QStringLiteral("空的SQL语句"));
}

Statement::~Statement() { sqlite3_finalize(stmt_); }

void bindValue(sqlite3_stmt* stmt, int index, const QVariant& value) {
    int rc = SQLITE_OK;
    if (!value.isValid() || value.isNull()) {
        rc = sqlite3_bind_null(stmt, index);
    } else {
        switch (value.typeId()) {
        case QMetaType::Bool:
        case QMetaType::Int:
        case QMetaType::UInt:
        case QMetaType::LongLong:
        case QMetaType::Long:
        case QMetaType::Short:
        case QMetaType::Char:
            rc = sqlite3_bind_int64(stmt, index, value.toLongLong());
            break;
        case QMetaType::ULongLong:
        case QMetaType::ULong:
            rc = sqlite3_bind_int64(stmt, index, qint64(value.toULongLong()));
            break;
        case QMetaType::Double:
        case QMetaType::Float:
            rc = sqlite3_bind_double(stmt, index, value.toDouble());
            break;
        case QMetaType::QByteArray: {
            const QByteArray b = value.toByteArray();
            rc = sqlite3_bind_blob64(stmt, index, b.constData(), sqlite3_uint64(b.size()), SQLITE_TRANSIENT);
            break;
        }
        default: {
            const QByteArray t = value.toString().toUtf8();
            rc = sqlite3_bind_text64(stmt, index, t.constData(), sqlite3_uint64(t.size()), SQLITE_TRANSIENT,
                                     SQLITE_UTF8);
        }
        }
    }
    if (rc != SQLITE_OK) raiseEngineError(sqlite3_db_handle(stmt));
}

QVariant columnValue(sqlite3_stmt* stmt, int column) {
    switch (sqlite3_column_type(stmt, column)) {
    case SQLITE_INTEGER: return QVariant(qint64(sqlite3_column_int64(stmt, column)));
    case SQLITE_FLOAT: return QVariant(sqlite3_column_double(stmt, column));
    case SQLITE_TEXT:
        return QVariant(QString::fromUtf8(reinterpret_cast<const char*>(sqlite3_column_text(stmt, column)),
                                          sqlite3_column_bytes(stmt, column)));
    case SQLITE_BLOB:
        return QVariant(QByteArray(static_cast<const char*>(sqlite3_column_blob(stmt, column)),
                                   sqlite3_column_bytes(stmt, column)));
    default: return QVariant();
    }
}

FieldKind kindOfDeclaredType(const char* declaredType) {
    if (!declaredType) return FieldKind::Other;
    const QString t = QString::fromUtf8(declaredType).toUpper();
    if (t.contains(QLatin1String("BOOL")) || t == QLatin1String("BIT")) return FieldKind::Boolean;
    if (t.contains(QLatin1String("INT"))) return FieldKind::Integer;
    if (t.contains(QLatin1String("CHAR")) || t.contains(QLatin1String("TEXT")) || t.contains(QLatin1String("CLOB")))
        return FieldKind::Text;
    if (t.contains(QLatin1String("BLOB"))) return FieldKind::Blob;
    if (t.contains(QLatin1String("REAL")) || t.contains(QLatin1String("FLOA")) || t.contains(QLatin1String("DOUB"))
        || t.contains(QLatin1String("NUM")) || t.contains(QLatin1String("DEC")))
        return FieldKind::Float;
    return FieldKind::Other;
}

qint64 variantToInteger(const QVariant& value) {
    switch (value.typeId()) {
    case QMetaType::Double: {
        // Whole numbers round half to even, as the engine's conversions do.
        const double r = std::nearbyint(value.toDouble());
        return std::isfinite(r) ? qint64(r) : 0;
    }
    case QMetaType::QString: {
        bool ok = false;
        const QString t = value.toString().trimmed();
        const qint64 i = t.toLongLong(&ok);
        if (ok) return i;
        const double d = t.toDouble(&ok);
        return ok ? variantToInteger(QVariant(d)) : 0;
    }
    default: return value.isNull() ? 0 : value.toLongLong();
    }
}

double variantToReal(const QVariant& value) {
    if (value.typeId() == QMetaType::QString) return value.toString().trimmed().toDouble();
    return value.isNull() ? 0.0 : value.toDouble();
}

QString variantToText(const QVariant& value) {
    if (value.isNull()) return {};
    if (value.typeId() == QMetaType::Double) {
        // General number format: whole numbers without decimals, up to 15 significant digits.
        const double d = value.toDouble();
        if (std::fabs(d) < 1e15 && d == std::trunc(d)) return QString::number(qint64(d));
        return QString::number(d, 'g', 15);
    }
    return value.toString();
}

bool variantToBool(const QVariant& value) {
    switch (value.typeId()) {
    case QMetaType::QString: {
        const QString t = value.toString().trimmed();
        return t.compare(QLatin1String("true"), Qt::CaseInsensitive) == 0 || variantToInteger(value) != 0;
    }
    default: return value.isNull() ? false : value.toDouble() != 0.0;
    }
}

void Statement::bind(int index, const QVariant& value) { bindValue(stmt_, index, value); }

void Statement::bind(const QString& name, const QVariant& value) {
    const int index = sqlite3_bind_parameter_index(stmt_, name.toUtf8().constData());
    if (index == 0) throw Error(QStringLiteral("参数不存在：") + name);
    bindValue(stmt_, index, value);
}

void Statement::bindAll(const QVariantList& values) {
    if (values.size() != sqlite3_bind_parameter_count(stmt_))
        throw Error(QStringLiteral("参数个数不符：需要%1个，给出%2个")
                        .arg(sqlite3_bind_parameter_count(stmt_))
                        .arg(values.size()));
    for (int i = 0; i < values.size(); ++i) bindValue(stmt_, i + 1, values[i]);
}

bool Statement::next() {
    const int rc = sqlite3_step(stmt_);
    if (rc == SQLITE_ROW) return true;
    if (rc == SQLITE_DONE) return false;
    sqlite3_reset(stmt_);
    raiseEngineError(db_);
}

void Statement::run() {
    while (next()) {
    }
    reset();
}

void Statement::reset() {
    sqlite3_reset(stmt_);
    sqlite3_clear_bindings(stmt_);
}

int Statement::columnCount() const { return sqlite3_column_count(stmt_); }

QString Statement::columnName(int column) const { return QString::fromUtf8(sqlite3_column_name(stmt_, column)); }

FieldKind Statement::declaredKind(int column) const { return kindOfDeclaredType(sqlite3_column_decltype(stmt_, column)); }

int Statement::columnIndex(const QString& name) const {
    for (int i = 0; i < columnCount(); ++i)
        if (columnName(i).compare(name, Qt::CaseInsensitive) == 0) return i;
    throw Error(QStringLiteral("找不到字段：") + name);
}

QVariant Statement::value(int column) const { return columnValue(stmt_, column); }

bool obeysRule(StoredKind kind, double number, ValueRule rule) {
    const bool numeric = kind == StoredKind::Integer || kind == StoredKind::Real;
    const bool whole = kind == StoredKind::Integer || (kind == StoredKind::Real && number == std::round(number));
    switch (rule) {
    case ValueRule::Code: return whole && std::fabs(number) < 1e12;
    case ValueRule::WholeNumber: return kind == StoredKind::Null || whole;
    case ValueRule::Number: return kind == StoredKind::Null || numeric;
    case ValueRule::Text: return kind == StoredKind::Null || kind == StoredKind::Text;
    case ValueRule::NoBytes: break;
    }
    return kind != StoredKind::Blob;
}

namespace {

StoredKind storedKindOf(int type) {
    switch (type) {
    case SQLITE_INTEGER: return StoredKind::Integer;
    case SQLITE_FLOAT: return StoredKind::Real;
    case SQLITE_TEXT: return StoredKind::Text;
    case SQLITE_BLOB: return StoredKind::Blob;
    default: return StoredKind::Null;
    }
}

void obeysRules(sqlite3_context* context, int count, sqlite3_value** values) {
    const auto& rules = *static_cast<const std::vector<ValueRule>*>(sqlite3_user_data(context));
    const qint64 first = count > 0 ? sqlite3_value_int64(values[0]) : -1;
    if (first < 0 || size_t(first) + size_t(count - 1) > rules.size()) {
        sqlite3_result_error(context, "obeys_rules(): 参数个数不对", -1);
        return;
    }
    for (int i = 1; i < count; ++i) {
        const ValueRule rule = rules[size_t(first + i - 1)];
        const int type = sqlite3_value_type(values[i]);
        // Most values are whole numbers or empty where those are allowed: no need to read them.
        if ((type == SQLITE_INTEGER || type == SQLITE_NULL) && (rule == ValueRule::WholeNumber || rule == ValueRule::Number))
            continue;
        const StoredKind kind = storedKindOf(type);
        const double number = kind == StoredKind::Integer || kind == StoredKind::Real ? sqlite3_value_double(values[i]) : 0;
        if (!obeysRule(kind, number, rule)) {
            sqlite3_result_int(context, 0);
            return;
        }
    }
    sqlite3_result_int(context, 1);
}

} // namespace

RulesFunction::RulesFunction(const Connection& connection, std::vector<ValueRule> rules)
    : db_(connection.handle()), rules_(std::move(rules)) {
    if (sqlite3_create_function_v2(db_, "obeys_rules", -1, SQLITE_UTF8 | SQLITE_DETERMINISTIC, &rules_, obeysRules, nullptr,
                                   nullptr, nullptr) != SQLITE_OK)
        raiseEngineError(db_);
}

QString RulesFunction::condition(const QStringList& columns) {
    constexpr qsizetype kPerCall = 100;  // the engine takes at most 127 arguments
    QStringList calls;
    for (qsizetype first = 0; first < columns.size(); first += kPerCall)
        calls << QStringLiteral("obeys_rules(%1,%2)").arg(first).arg(columns.mid(first, kPerCall).join(u','));
    return calls.isEmpty() ? QStringLiteral("1") : calls.join(QStringLiteral(" and "));
}

RulesFunction::~RulesFunction() {
    sqlite3_create_function_v2(db_, "obeys_rules", -1, SQLITE_UTF8 | SQLITE_DETERMINISTIC, nullptr, nullptr, nullptr, nullptr,
                               nullptr);
}

StoredKind Statement::storedKind(int column) const { return storedKindOf(sqlite3_column_type(stmt_, column)); }

bool Statement::isNull(int column) const { return sqlite3_column_type(stmt_, column) == SQLITE_NULL; }

qint64 Statement::integer(int column) const {
    switch (sqlite3_column_type(stmt_, column)) {
    case SQLITE_INTEGER: return sqlite3_column_int64(stmt_, column);
    case SQLITE_NULL: return 0;
    default: return variantToInteger(value(column));
    }
}

qint64 Statement::storedInteger(int column) const { return sqlite3_column_int64(stmt_, column); }

double Statement::real(int column) const {
    switch (sqlite3_column_type(stmt_, column)) {
    case SQLITE_INTEGER:
    case SQLITE_FLOAT: return sqlite3_column_double(stmt_, column);
    case SQLITE_NULL: return 0.0;
    default: return variantToReal(value(column));
    }
}

QString Statement::text(int column) const { return variantToText(value(column)); }

std::string_view Statement::utf8(int column) const {
    const auto* text = reinterpret_cast<const char*>(sqlite3_column_text(stmt_, column));
    return text ? std::string_view(text, size_t(sqlite3_column_bytes(stmt_, column))) : std::string_view();
}

} // namespace db
