#pragma once

#include <QString>
#include <QStringList>

namespace db {
class Connection;
}
namespace ui {
class ProgressSink;
}

// The grouping file: a plain database file (".mdb") holding copies of the
// grouping tables, with which offices share their groupings. Export and import
// replace whole tables.

// The grouping tables, in the order they are copied.
QStringList groupingTables();

// The file dialogs of the export ("导出文件存放为") and of the import
// ("选择导入文件"), starting in the folder setting "Orvanta" (the documents folder when
// it is not set). A name without ".mdb" gets it. Empty when cancelled.
QString ChooseGroupingExportFile();
QString ChooseGroupingImportFile();

// Copies the grouping tables of the working database, with all their columns
// and rows, into the grouping file at `filePath`: the file is created
// when missing, its grouping tables are replaced and its other tables left
// alone, all in one transaction. The working database file and the system data
// file themselves are refused. Shows the outcome; true when exported.
bool ExportGroupings(db::Connection& working, const QString& filePath, ui::ProgressSink& progress);

// Replaces the working grouping tables with those of the grouping file at
// `filePath`, in one transaction. A table the file lacks is reported and keeps
// its rows. The file is untrusted: it is read read-only, and a damaged file,
// a table that is no table or has other columns than ours, or rows the summary
// could not use give the error message and change nothing. Shows the outcome;
// true when imported.
bool ImportGroupings(db::Connection& working, const QString& filePath, ui::ProgressSink& progress);
