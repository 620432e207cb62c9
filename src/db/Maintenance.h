#pragma once

#include <QString>
#include <QStringList>

namespace db {

class Connection;

// Copies a file byte for byte. The destination is replaced whole or not at
// all; copying a file onto itself fails and leaves it intact. Raises Error.
void CopyFileWhole(const QString& source, const QString& destination);

// Whether two paths name the same file: the same file on disk (device and
// inode, so a hard link, a bind mount or another spelling of the name is
// caught) when both exist, else the same place.
bool SameFile(const QString& a, const QString& b);

// The column names of a table in a schema ("main", or an attached file's alias), in their order.
QStringList ColumnNames(const Connection& connection, const QString& schema, const QString& table);

// Whether the connection has a table (or view) of that name, ignoring case.
bool TableExists(const Connection& connection, const QString& table);

// Compacts the database file at `path` in place through a compacted copy
// beside it. Raises Error when compaction fails; returns false when the copy
// cannot take the file's place. The file is unchanged on failure.
bool CompactDatabaseFile(const QString& path);

} // namespace db
