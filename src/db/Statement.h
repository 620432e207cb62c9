#pragma once

#include "db/Error.h"

#include <QString>
#include <string_view>
#include <QVariant>
#include <vector>

struct sqlite3;
struct sqlite3_stmt;

namespace db {

class Connection;

enum class FieldKind { Integer, Float, Text, Boolean, Blob, Other };
// The kind of a value as the engine stores it.
enum class StoredKind { Null, Integer, Real, Text, Blob };

// What a column of a file from elsewhere may hold.
enum class ValueRule {
    Code,         // a whole number of at most 12 digits
    WholeNumber,  // nothing, or a whole number
    Number,       // nothing, or a number
    Text,         // nothing, or a text
    NoBytes,      // anything but bytes (a blob)
};

// Whether a value stored as `kind`, with `number` its numeric value, obeys `rule`.
bool obeysRule(StoredKind kind, double number, ValueRule rule);

// A prepared statement stepped forward once: the fast path for reading many
// rows or repeating one statement with different parameters.
class Statement {
public:
    Statement(const Connection& connection, const QString& sql);
    ~Statement();
    Statement(const Statement&) = delete;
    Statement& operator=(const Statement&) = delete;

    // Binds positional parameters (?, ?NNN, :name in order of first appearance), 1-based.
    void bind(int index, const QVariant& value);
    void bind(const QString& name, const QVariant& value);  // ":name"
    void bindAll(const QVariantList& values);

    // Steps to the next row; false when there is none (a statement without result runs to its end).
    bool next();
    // Runs the statement to its end and makes it ready to run again with new parameters.
    void run();
    void reset();

    int columnCount() const;
    QString columnName(int column) const;
    FieldKind declaredKind(int column) const;
    // Index of a column by name, ignoring case; raises Error when there is none.
    int columnIndex(const QString& name) const;

    QVariant value(int column) const;
    bool isNull(int column) const;
    StoredKind storedKind(int column) const;
    qint64 integer(int column) const;  // NULL reads as 0
    // The value of a column whose storedKind() is Integer, read without asking again.
    qint64 storedInteger(int column) const;
    double real(int column) const;     // NULL reads as 0
    QString text(int column) const;    // NULL reads as empty
    // The column's text as the engine keeps it (UTF-8), without a copy; valid
    // until the next step. NULL reads as empty.
    std::string_view utf8(int column) const;

    sqlite3_stmt* handle() const { return stmt_; }

private:
    sqlite3_stmt* stmt_ = nullptr;
    sqlite3* db_ = nullptr;
};

// While it lives, the SQL function "obeys_rules"(first, v1, …, vn) on the
// connection is 1 when every value vi obeys rules[first + i - 1] and 0
// otherwise: a few calls check a whole row, for a file from elsewhere whose
// rows are copied.
class RulesFunction {
public:
    RulesFunction(const Connection& connection, std::vector<ValueRule> rules);
    // The condition that the row's `columns` (quoted, one per rule) obey their
    // rules, in calls of no more arguments than the engine allows.
    static QString condition(const QStringList& columns);
    ~RulesFunction();
    RulesFunction(const RulesFunction&) = delete;
    RulesFunction& operator=(const RulesFunction&) = delete;

private:
    sqlite3* db_;
    std::vector<ValueRule> rules_;
};

// Binds one value to a statement; shared by every place that binds.
void bindValue(sqlite3_stmt* stmt, int index, const QVariant& value);
// Reads one column of the current row as a QVariant of its stored kind.
QVariant columnValue(sqlite3_stmt* stmt, int column);
// The kind a declared column type names ("INTEGER", "REAL", "TEXT", ...).
FieldKind kindOfDeclaredType(const char* declaredType);
// Conversions with the engine's conventions: NULL is 0 or empty, text is parsed.
qint64 variantToInteger(const QVariant& value);
double variantToReal(const QVariant& value);
QString variantToText(const QVariant& value);
bool variantToBool(const QVariant& value);

} // namespace db
