#pragma once

#include "core/FieldData.h"

#include <QList>
#include <QString>

namespace db {
class RecordSet;
}

// The queries of a search result and the column description of its workbook export.

// The name the result's exports are written under.
QString QueryResultExportName();
// The result list: "SELECT * from view_data_all " + clause + " order by c901 asc".
QString QueryResultSql(const QString& whereClause);
// The same records with every column of dt_data, for the export to a database file.
QString QueryDetailSql(const QString& whereClause);

// A column of the result grid: its field and its title as shown (a sort arrow included).
struct ResultColumn {
    QString field;
    QString title;
};
// One export column per grid column, in grid order: the title without its sort
// arrow, width 0, the type text by the kind of the field in `query` (as the
// database file export names it), exported.
TFieldDataArray QueryExportColumns(const db::RecordSet& query, const QList<ResultColumn>& columns);
