#include "db/RecordSet.h"

#include "db/Connection.h"

#include <QCollator>
#include <QLocale>
#include <sqlite3.h>

#include <algorithm>
#include <atomic>
#include <numeric>
#include <optional>
#include <unordered_map>
#include <unordered_set>

namespace db {

namespace {

enum class EditMode { Browse, Edit, Append };

// Rows read for list views are kept in a small cache; it is emptied when full.
constexpr int kCacheRows = 2048;

std::atomic<int> tableCounter{0};

QString stripStatementEnd(QString sql) {
    sql = sql.trimmed();
    while (sql.endsWith(QLatin1Char(';'))) sql = sql.chopped(1).trimmed();
    return sql;
}

QString tempColumn(int i) { return QStringLiteral("c%1").arg(i); }

} // namespace

struct RecordSet::Impl {
    Connection* connection = nullptr;
    QString sql;
    QVariantList params;
    QString keyField;             // keyed results: the key column
    std::vector<qint64> keys;     // keyed results: the keys in the query's order
    std::unordered_map<qint64, qint64> keyPosition;  // key -> position in the query's order
    QString table;                // other results: the temporary table holding the rows
    QStringList names;
    std::vector<FieldKind> kinds;
    QHash<QString, int> indexByName;  // lower-case name -> field
    qint64 count = 0;
    qint64 pos = 0;
    // Row ids (keys, or row numbers of the temporary table) in the current order;
    // empty while the query's own order holds.
    std::vector<qint64> order;
    QString sortText;
    QVariantList current;
    std::unique_ptr<Statement> fetchRow;
    mutable QHash<qint64, QVariantList> cache;
    mutable bool vanished = false;  // a row of the result was found deleted since the query ran
    mutable bool unreadable = false;  // a row could not be read (the file locked): none is tried until the next run

    QString updateTable;
    QString updateKey;
    EditMode mode = EditMode::Browse;
    QVariantList buffer;
    std::vector<bool> changed;

    bool keyed() const { return !keyField.isEmpty(); }
    // Where the rows are read from, how a row is named there, and how a field is.
    QString source() const { return keyed() ? QLatin1Char('(') + sql + QLatin1Char(')') : QStringLiteral("temp.") + table; }
    QString idColumn() const { return keyed() ? quoteIdentifier(keyField) : QStringLiteral("rowid"); }
    QString column(int i) const { return keyed() ? quoteIdentifier(names[i]) : tempColumn(i); }
    QVariantList sourceParams() const { return keyed() ? params : QVariantList(); }

    qint64 naturalId(qint64 p) const { return keyed() ? keys[size_t(p)] : p + 1; }
    qint64 rowIdAt(qint64 p) const { return order.empty() ? naturalId(p) : order[size_t(p)]; }

    qint64 positionOfRowId(qint64 rowId) const {
        if (order.empty()) {
            if (!keyed()) return rowId - 1;
            const auto it = keyPosition.find(rowId);
            return it == keyPosition.end() ? -1 : it->second;
        }
        const auto it = std::find(order.begin(), order.end(), rowId);
        return it == order.end() ? -1 : qint64(it - order.begin());
    }

    // The row `rowId`; empty when it has been deleted since the query ran.
    QVariantList read(qint64 rowId) const {
        const QVariantList bound = sourceParams();
        for (int i = 0; i < bound.size(); ++i) fetchRow->bind(i + 1, bound[i]);
        fetchRow->bind(int(bound.size()) + 1, rowId);
        QVariantList values;
        if (fetchRow->next()) {
            values.reserve(names.size());
            for (int i = 0; i < names.size(); ++i) values << fetchRow->value(i);
        }
        fetchRow->reset();
        if (values.isEmpty()) vanished = true;
        return values;
    }

    QVariantList fetch(qint64 rowId) const {
        QVariantList values = read(rowId);
        if (values.isEmpty()) throw Error(QStringLiteral("查询结果中的记录已不存在"));
        return values;
    }

    void loadCurrent() {
        if (pos >= 0 && pos < count) current = fetch(rowIdAt(pos));
        else current.clear();
    }

    int field(const QString& name) const {
        const auto it = indexByName.constFind(name.toLower());
        if (it == indexByName.constEnd()) throw Error(QStringLiteral("找不到字段：") + name);
        return it.value();
    }

    void requireRow() const {
        if (pos < 0 || pos >= count) throw Error(QStringLiteral("没有当前记录"));
    }

    void readShape() {
        Statement shape(*connection, sql);
        const int columns = shape.columnCount();
        if (columns == 0) throw Error(QStringLiteral("查询没有结果列：") + sql);
        names.clear();
        kinds.clear();
        indexByName.clear();
        for (int i = 0; i < columns; ++i) {
            names << shape.columnName(i);
            kinds.push_back(shape.declaredKind(i));
            if (!indexByName.contains(names.last().toLower())) indexByName.insert(names.last().toLower(), i);
        }
    }

    void run() {
        readShape();
        cache.clear();
        vanished = false;
        order.clear();
        if (keyed()) {
            field(keyField);
            keys.clear();
            keyPosition.clear();
            Statement ids(*connection, QStringLiteral("SELECT %1 FROM (%2)").arg(idColumn(), sql));
            ids.bindAll(params);
            while (ids.next()) {
                if (ids.value(0).typeId() != QMetaType::LongLong)
                    throw Error(QStringLiteral("查询结果的关键字段不是整数：") + keyField);
                keyPosition.emplace(ids.integer(0), qint64(keys.size()));
                keys.push_back(ids.integer(0));
            }
            if (keyPosition.size() != keys.size()) throw Error(QStringLiteral("查询结果的关键字段有重复值：") + keyField);
            count = qint64(keys.size());
        } else {
            connection->dropPending();
            table = QStringLiteral("rs_%1").arg(++tableCounter);
            QStringList columnList;
            for (int i = 0; i < names.size(); ++i) columnList << tempColumn(i);
            // The table has no column types, so every value keeps exactly the kind the query gave it.
            connection->execute(QStringLiteral("CREATE TEMP TABLE %1(%2)").arg(table, columnList.join(QLatin1Char(','))));
            try {
                count = connection->execute(QStringLiteral("INSERT INTO temp.%1 ").arg(table) + sql, params);
            } catch (...) {
                dropTable();
                throw;
            }
        }
        fetchRow = std::make_unique<Statement>(*connection,
                                               QStringLiteral("SELECT * FROM %1 WHERE %2=?").arg(source(), idColumn()));
        // Columns computed by the query have no declared type; their first value tells.
        if (count > 0) {
            const QVariantList firstRow = fetch(naturalId(0));
            for (int i = 0; i < names.size(); ++i) {
                if (kinds[size_t(i)] != FieldKind::Other) continue;
                switch (firstRow[i].typeId()) {
                case QMetaType::LongLong: kinds[size_t(i)] = FieldKind::Integer; break;
                case QMetaType::Double: kinds[size_t(i)] = FieldKind::Float; break;
                case QMetaType::QString: kinds[size_t(i)] = FieldKind::Text; break;
                default: break;
                }
            }
        }
    }

    void dropTable() {
        fetchRow.reset();
        if (table.isEmpty() || !connection || !connection->isOpen()) return;
        const QByteArray drop = QStringLiteral("DROP TABLE IF EXISTS temp.%1").arg(table).toUtf8();
        // Dropping fails while another statement of the connection is running; try again later.
        if (sqlite3_exec(connection->handle(), drop.constData(), nullptr, nullptr, nullptr) != SQLITE_OK)
            connection->dropLater(table);
        table.clear();
    }

    void applySort(const QString& text) {
        struct Term {
            int field;
            bool descending;
        };
        std::vector<Term> terms;
        for (const QString& term : text.split(QLatin1Char(','), Qt::SkipEmptyParts)) {
            const QStringList words = term.simplified().split(QLatin1Char(' '));
            const QString direction = words.size() == 2 ? words[1].toUpper() : QStringLiteral("ASC");
            if (words.size() > 2 || (direction != QLatin1String("ASC") && direction != QLatin1String("DESC")))
                throw Error(QStringLiteral("排序方式不正确：") + text);
            terms.push_back({field(words[0]), direction == QLatin1String("DESC")});
        }
        sortText = text.trimmed();
        order.clear();
        if (terms.empty()) return;

        // The sort columns of every row in the query's order, then a stable sort:
        // equal rows keep the query's order.
        QStringList columns{idColumn()};
        for (const Term& t : terms) columns << column(t.field);
        Statement rows(*connection, QStringLiteral("SELECT %1 FROM %2").arg(columns.join(QLatin1Char(',')), source()));
        rows.bindAll(sourceParams());
        // Each value becomes a key that compares without looking at its kind again.
        // Texts compare as a Chinese reader orders them: Chinese characters by pinyin.
        QCollator collator{QLocale(QLocale::Chinese, QLocale::China)};
        struct SortKey {
            int rank;  // NULL, number, text, blob: the engine's order of kinds
            double number;
            std::optional<QCollatorSortKey> text;
        };
        const size_t width = terms.size();
        std::vector<qint64> ids;
        std::vector<SortKey> sortKeys;  // the sort columns of row i at i * width
        ids.reserve(size_t(count));
        sortKeys.reserve(size_t(count) * width);
        while (rows.next()) {
            ids.push_back(rows.integer(0));
            for (size_t t = 0; t < width; ++t) {
                const int c = int(t) + 1;
                switch (sqlite3_column_type(rows.handle(), c)) {
                case SQLITE_INTEGER:
                case SQLITE_FLOAT: sortKeys.push_back({1, rows.real(c), {}}); break;
                case SQLITE_TEXT: sortKeys.push_back({2, 0, collator.sortKey(rows.text(c))}); break;
                case SQLITE_BLOB:
                    sortKeys.push_back({3, 0, collator.sortKey(QString::fromLatin1(rows.value(c).toByteArray().toHex()))});
                    break;
                default: sortKeys.push_back({0, 0, {}});
                }
            }
        }
        std::vector<size_t> index(ids.size());
        std::iota(index.begin(), index.end(), size_t(0));
        std::stable_sort(index.begin(), index.end(), [&](size_t a, size_t b) {
            for (size_t t = 0; t < width; ++t) {
                const SortKey& x = sortKeys[a * width + t];
                const SortKey& y = sortKeys[b * width + t];
                int c = x.rank != y.rank ? (x.rank < y.rank ? -1 : 1)
                        : x.rank == 1     ? (x.number < y.number ? -1 : x.number > y.number)
                        : x.rank >= 2     ? x.text->compare(*y.text)
                                          : 0;
                if (c != 0) return terms[t].descending ? c > 0 : c < 0;
            }
            return false;
        });
        order.reserve(index.size());
        for (size_t i : index) order.push_back(ids[i]);
    }
};

RecordSet::RecordSet() : d(std::make_unique<Impl>()) {}

RecordSet::~RecordSet() { close(); }

void RecordSet::open(Connection& connection, const QString& sql, const QVariantList& params) {
    openKeyed(connection, sql, QString(), params);
}

void RecordSet::openKeyed(Connection& connection, const QString& sql, const QString& keyField, const QVariantList& params) {
    close();
    d->connection = &connection;
    d->sql = stripStatementEnd(sql);
    d->params = params;
    d->keyField = keyField;
    try {
        d->run();
    } catch (...) {
        d->connection = nullptr;
        throw;
    }
    connection.addResult(this);
    d->pos = 0;
    d->loadCurrent();
}

void RecordSet::close() {
    if (!d->connection) return;
    d->dropTable();
    d->connection->removeResult(this);
    d->connection = nullptr;
    d->count = 0;
    d->pos = 0;
    d->keys.clear();
    d->keyPosition.clear();
    d->order.clear();
    d->current.clear();
    d->cache.clear();
    d->mode = EditMode::Browse;
    d->sortText.clear();
}

bool RecordSet::isOpen() const { return d->connection != nullptr; }
qint64 RecordSet::rowCount() const { return d->count; }
qint64 RecordSet::position() const { return d->pos; }
bool RecordSet::atEnd() const { return d->pos >= d->count; }
bool RecordSet::atStart() const { return d->count == 0 || d->pos < 0; }

void RecordSet::moveTo(qint64 position) {
    if (!isOpen()) throw Error(QStringLiteral("查询没有打开"));
    // The row is read before the move, so a row that is gone leaves the position as it was.
    const qint64 target = std::clamp<qint64>(position, -1, d->count);
    QVariantList row;
    if (target >= 0 && target < d->count) row = d->fetch(d->rowIdAt(target));
    d->pos = target;
    d->current = std::move(row);
}

void RecordSet::first() { moveTo(0); }
void RecordSet::last() { moveTo(d->count - 1); }
void RecordSet::next() { moveTo(d->pos + 1); }
void RecordSet::previous() { moveTo(d->pos - 1); }

int RecordSet::fieldCount() const { return int(d->names.size()); }
QString RecordSet::fieldName(int field) const { return d->names.value(field); }
FieldKind RecordSet::fieldKind(int field) const { return d->kinds.at(size_t(field)); }

int RecordSet::fieldIndex(const QString& name) const { return d->indexByName.value(name.toLower(), -1); }

QVariant RecordSet::value(int field) const {
    if (d->mode != EditMode::Browse) return d->buffer.at(field);
    d->requireRow();
    return d->current.at(field);
}

QVariant RecordSet::value(const QString& field) const { return value(d->field(field)); }
QString RecordSet::text(const QString& field) const { return variantToText(value(field)); }
qint64 RecordSet::integer(const QString& field) const { return variantToInteger(value(field)); }
double RecordSet::real(const QString& field) const { return variantToReal(value(field)); }
bool RecordSet::boolean(const QString& field) const { return variantToBool(value(field)); }

QVariant RecordSet::valueAt(qint64 position, int field) const {
    if (position < 0 || position >= d->count || field < 0 || field >= d->names.size()) return {};
    if (position == d->pos && d->mode == EditMode::Browse) return d->current.at(field);
    const qint64 rowId = d->rowIdAt(position);
    auto it = d->cache.constFind(rowId);
    if (it == d->cache.constEnd()) {
        // Rows that cannot be read just now (the file locked) are drawn empty, each
        // without waiting for the engine again, until the result runs again.
        if (d->unreadable) return {};
        QVariantList row;
        try {
            row = d->read(rowId);
        } catch (const Error&) {
            d->unreadable = true;
            return {};
        }
        if (d->cache.size() >= kCacheRows) d->cache.clear();
        it = d->cache.insert(rowId, row);
    }
    return it.value().value(field);  // a row that is gone reads as empty
}

bool RecordSet::hasVanishedRows() const { return d->vanished; }

qint64 RecordSet::rowIdAt(qint64 position) const { return d->rowIdAt(position); }

void RecordSet::sort(const QString& order) {
    if (!isOpen()) throw Error(QStringLiteral("查询没有打开"));
    const bool onRow = d->pos >= 0 && d->pos < d->count;
    const qint64 currentRowId = onRow ? d->rowIdAt(d->pos) : 0;
    d->applySort(order);
    if (onRow) d->pos = d->positionOfRowId(currentRowId);
}

QString RecordSet::sortOrder() const { return d->sortText; }

bool RecordSet::locate(const QString& field, const QVariant& value) {
    if (!isOpen()) throw Error(QStringLiteral("查询没有打开"));
    Statement match(*d->connection, QStringLiteral("SELECT %1 FROM %2 WHERE %3=?")
                                        .arg(d->idColumn(), d->source(), d->column(d->field(field))));
    const QVariantList bound = d->sourceParams();
    for (int i = 0; i < bound.size(); ++i) match.bind(i + 1, bound[i]);
    match.bind(int(bound.size()) + 1, value);
    std::unordered_set<qint64> rowIds;
    while (match.next()) rowIds.insert(match.integer(0));
    if (rowIds.empty()) return false;
    qint64 found = -1;
    if (d->order.empty()) {
        for (qint64 id : rowIds) {
            const qint64 p = d->positionOfRowId(id);
            if (p >= 0 && (found < 0 || p < found)) found = p;
        }
    } else {
        for (size_t i = 0; i < d->order.size() && found < 0; ++i)
            if (rowIds.count(d->order[i])) found = qint64(i);
    }
    if (found < 0) return false;
    moveTo(found);
    return true;
}

void RecordSet::requery(const QString& keyField) {
    if (!isOpen()) throw Error(QStringLiteral("查询没有打开"));
    const qint64 oldPos = d->pos;
    const QString returnBy = keyField.isEmpty() ? d->keyField : keyField;
    QVariant key;
    if (!returnBy.isEmpty() && d->pos >= 0 && d->pos < d->count) key = d->current.at(d->field(returnBy));
    // The query runs into a result of its own; a run that fails (the file locked
    // for a moment) leaves the rows as they were, and the next re-run tries again.
    auto fresh = std::make_unique<Impl>();
    fresh->connection = d->connection;
    fresh->sql = d->sql;
    fresh->params = d->params;
    fresh->keyField = d->keyField;
    fresh->updateTable = d->updateTable;
    fresh->updateKey = d->updateKey;
    try {
        fresh->run();
        fresh->applySort(d->sortText);
    } catch (...) {
        fresh->dropTable();
        throw;
    }
    d->dropTable();
    d = std::move(fresh);
    if (key.isValid() && locate(returnBy, key)) return;
    moveTo(std::min(oldPos, std::max<qint64>(d->count - 1, 0)));
}

void RecordSet::setUpdateTable(const QString& table, const QString& keyField) {
    if (d->keyed()) throw Error(QStringLiteral("该查询不能修改"));
    d->field(keyField);
    d->updateTable = table;
    d->updateKey = keyField;
}

void RecordSet::edit() {
    if (d->updateTable.isEmpty()) throw Error(QStringLiteral("该查询不能修改"));
    d->requireRow();
    d->mode = EditMode::Edit;
    d->buffer = d->current;
    d->changed.assign(size_t(fieldCount()), false);
}

void RecordSet::append() {
    if (d->updateTable.isEmpty()) throw Error(QStringLiteral("该查询不能修改"));
    d->mode = EditMode::Append;
    d->buffer = QVariantList(fieldCount());
    d->changed.assign(size_t(fieldCount()), false);
    if (d->pos < 0 || d->pos >= d->count) d->pos = std::max<qint64>(d->count - 1, 0);
}

void RecordSet::setValue(const QString& field, const QVariant& value) {
    if (d->mode == EditMode::Browse) throw Error(QStringLiteral("记录不在编辑状态"));
    const int i = d->field(field);
    d->buffer[i] = value;
    d->changed[size_t(i)] = true;
}

bool RecordSet::isEditing() const { return d->mode != EditMode::Browse; }

void RecordSet::cancel() { d->mode = EditMode::Browse; }

void RecordSet::post() {
    if (d->mode == EditMode::Browse) return;
    Connection& connection = *d->connection;
    QStringList assigned, temps;
    QVariantList values;
    for (int i = 0; i < fieldCount(); ++i) {
        if (!d->changed[size_t(i)]) continue;
        assigned << quoteIdentifier(d->names[i]);
        temps << tempColumn(i);
        values << d->buffer[i];
    }
    const QString table = quoteIdentifier(d->updateTable);
    QStringList allFields;
    for (const QString& name : d->names) allFields << quoteIdentifier(name);

    // The table and this result change together or not at all.
    connection.execute(QStringLiteral("SAVEPOINT record_post"));
    try {
        qint64 rowId = 0;
        if (d->mode == EditMode::Edit) {
            rowId = d->rowIdAt(d->pos);
            if (!assigned.isEmpty()) {
                connection.execute(QStringLiteral("UPDATE %1 SET %2=? WHERE %3=?")
                                       .arg(table, assigned.join(QStringLiteral("=?,")), quoteIdentifier(d->updateKey)),
                                   values + QVariantList{d->current.at(d->field(d->updateKey))});
                connection.execute(QStringLiteral("UPDATE temp.%1 SET %2=? WHERE rowid=?")
                                       .arg(d->table, temps.join(QStringLiteral("=?,"))),
                                   values + QVariantList{rowId});
            }
        } else {
            connection.execute(assigned.isEmpty() ? QStringLiteral("INSERT INTO %1 DEFAULT VALUES").arg(table)
                                                  : QStringLiteral("INSERT INTO %1(%2) VALUES(%3)")
                                                        .arg(table, assigned.join(QLatin1Char(',')),
                                                             QStringList(assigned.size(), QStringLiteral("?"))
                                                                 .join(QLatin1Char(','))),
                               values);
            // Read the row back as stored, with the defaults the table filled in.
            const qint64 baseRowId = sqlite3_last_insert_rowid(connection.handle());
            connection.execute(QStringLiteral("INSERT INTO temp.%1 SELECT %2 FROM %3 WHERE rowid=?")
                                   .arg(d->table, allFields.join(QLatin1Char(',')), table),
                               {baseRowId});
            rowId = sqlite3_last_insert_rowid(connection.handle());
        }
        connection.execute(QStringLiteral("RELEASE record_post"));
        d->cache.remove(rowId);
        if (d->mode == EditMode::Append) {
            if (!d->order.empty()) d->order.push_back(rowId);
            d->pos = d->count++;
        }
    } catch (...) {
        connection.execute(QStringLiteral("ROLLBACK TO record_post"));
        connection.execute(QStringLiteral("RELEASE record_post"));
        throw;
    }
    d->mode = EditMode::Browse;
    d->loadCurrent();
}

} // namespace db
