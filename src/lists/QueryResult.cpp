#include "lists/QueryResult.h"

#include "core/GridSort.h"
#include "db/RecordSet.h"
#include "lists/TableExport.h"

QString QueryResultExportName() { return QStringLiteral("Varnel_基层以上（离线工具）查询结果"); }

QString QueryResultSql(const QString& whereClause) {
    return QStringLiteral("SELECT * from view_data_all ") + whereClause + QStringLiteral(" order by c901 asc");
}

QString QueryDetailSql(const QString& whereClause) {
    return QStringLiteral("SELECT * from dt_data ") + whereClause + QStringLiteral(" order by c901 asc");
}

TFieldDataArray QueryExportColumns(const db::RecordSet& query, const QList<ResultColumn>& columns) {
    TFieldDataArray described;
    for (const ResultColumn& column : columns) {
        TFieldData field;
        field.showName = column.field;
        field.title = GridSortState::withoutArrow(column.title);
        const int index = query.fieldIndex(column.field);
        field.typeText = ColumnTypeText(index >= 0 ? query.fieldKind(index) : db::FieldKind::Other);
        field.queryShow = true;
        described.push_back(field);
    }
    return described;
}
