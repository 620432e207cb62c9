#pragma once

#include "core/FieldData.h"

#include <QString>

namespace db {
class RecordSet;
enum class FieldKind;
}

// Writes the rows of an open query to a file the user names: a workbook, or a
// table of a database file. Neither routine knows where its rows come from;
// both read the query from its first row and leave it on its last.

// Asks for a workbook file and writes the query's columns flagged in
// `columns` (queryShow) into its one sheet, named after `exportName`: the
// export date in row 2, the column titles in row 3, the records from row 5.
// Messages and the save dialog go through the prompter, progress through the
// progress sink; a failure is shown and leaves an existing file as it was.
void SaveQueryAsExcel(db::RecordSet& query, const QString& exportName, const TFieldDataArray& columns);

// Asks for a database file ("*.mdb", a plain database file) and writes every
// field of the query into its table `exportName`, replacing a table of that
// name and leaving the file's other tables alone, all in one transaction.
void SaveQueryAsAccess(db::RecordSet& query, const QString& exportName);

// The parts of the two routines after the dialog, for callers that know the
// file: they raise std::exception on failure and leave the file as it was.
void WriteQueryWorkbook(db::RecordSet& query, const QString& exportName, const TFieldDataArray& columns,
                        const QString& path);
void WriteQueryTable(db::RecordSet& query, const QString& exportName, const QString& path);

// The column type of the database file for a field of `kind`, also the type
// text of an export column description: "VARCHAR(255)" for text, "INTEGER",
// "DOUBLE", "BIT" for yes/no, "BLOB"; empty for a field of no known kind.
QString ColumnTypeText(db::FieldKind kind);

// A chosen file name completed with `extension` (".xlsx", ".mdb") when it
// does not end with it in any letter case.
QString CompleteExportName(const QString& name, const QString& extension);

// A worksheet name made from `name`: the characters a sheet name cannot hold
// become "_", and it is cut to the 31 characters a sheet name may have.
QString SheetNameFor(const QString& name);
