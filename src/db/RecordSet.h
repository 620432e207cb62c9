#pragma once

#include "db/Statement.h"

#include <QHash>
#include <QString>
#include <QStringList>
#include <QVariant>
#include <memory>
#include <vector>

namespace db {

class Connection;

// A static result set: the rows of a query as they were when it ran, with the
// row count known before the first step, typed reads by field name, an
// in-memory sort, locate, and a re-run that returns to the current row.
//
// The rows are kept by the engine, not in this object, so a result of 50,000
// wide rows costs a few hundred kilobytes here; a row is read when it is used.
// Plain results are copied into a temporary table of the connection. A result
// opened with a key field (a column of whole numbers that tells its rows apart,
// such as c901) keeps only the keys in their order and reads each row from the
// query by its key: opening and re-running it cost a fraction of the copy,
// which matters for the record list that is re-run after every save. Such a
// result cannot be edited. Closing the connection closes every result set on it.
class RecordSet {
public:
    RecordSet();
    ~RecordSet();
    RecordSet(const RecordSet&) = delete;
    RecordSet& operator=(const RecordSet&) = delete;

    // Runs `sql` (a SELECT) with its parameters and moves to the first row.
    void open(Connection& connection, const QString& sql, const QVariantList& params = {});
    // The same for a result whose rows `keyField` tells apart.
    void openKeyed(Connection& connection, const QString& sql, const QString& keyField, const QVariantList& params = {});
    void close();
    bool isOpen() const;

    qint64 rowCount() const;
    bool isEmpty() const { return rowCount() == 0; }
    // Position in the current order, 0-based; equals rowCount() past the last row.
    qint64 position() const;
    bool atEnd() const;
    bool atStart() const;  // before the first row (also true on an empty result)
    // Moves. A row deleted since the query ran raises Error and leaves the position as it was.
    void first();
    void last();
    void next();
    void previous();
    void moveTo(qint64 position);

    int fieldCount() const;
    QString fieldName(int field) const;
    FieldKind fieldKind(int field) const;
    // Index of a field by name, ignoring case; -1 when there is none.
    int fieldIndex(const QString& name) const;

    // Reads of the current row. A name that is not a field raises Error;
    // NULL reads as 0, 0.0, empty text or false.
    QVariant value(const QString& field) const;
    QVariant value(int field) const;
    QString text(const QString& field) const;
    qint64 integer(const QString& field) const;
    double real(const QString& field) const;
    bool boolean(const QString& field) const;

    // Reads a cell of any row without moving (for list views that draw rows).
    // A row deleted since the query ran, or one the engine cannot read just now, reads as empty.
    QVariant valueAt(qint64 position, int field) const;
    // True when a read found a row deleted since the query ran; requery() drops it.
    bool hasVanishedRows() const;
    // What tells the row at `position` apart: its key in a result opened with a
    // key field, its place in the query's order otherwise.
    qint64 rowIdAt(qint64 position) const;

    // In-memory order: "field ASC" or "field DESC", several joined by commas;
    // equal rows keep the query's order. Texts are ordered as in a Chinese
    // dictionary (Chinese characters by pinyin). An empty text restores the query's order.
    void sort(const QString& order);
    QString sortOrder() const;

    // Moves to the first row, in the current order, whose field equals `value`;
    // false (and no move) when there is none.
    bool locate(const QString& field, const QVariant& value);

    // Runs the query again. With a key field (by default the one the result was
    // opened with), returns to the row holding the current row's key; otherwise,
    // or when that row is gone, to the same position (the last row when the
    // result got shorter). The sort is kept. When the query fails the result
    // keeps its rows and position, and raises the error.
    void requery(const QString& keyField = {});

    // Editing through a result set. The result must come from one table whose
    // rows `setUpdateTable` names by a key field; post() writes the row into that
    // table and into this result.
    void setUpdateTable(const QString& table, const QString& keyField);
    void edit();
    void append();
    void setValue(const QString& field, const QVariant& value);
    void post();
    void cancel();
    bool isEditing() const;

private:
    struct Impl;
    std::unique_ptr<Impl> d;
};

} // namespace db
