#include "lists/QueryResult.h"

#include "core/GridSort.h"
#include "db/RecordSet.h"

namespace {

// The engine keeps no length for text, so a text column is described with the
// longest text a column of the export may hold.
QString typeText(db::FieldKind kind) {
    switch (kind) {
    case db::FieldKind::Integer:
    case db::FieldKind::Boolean: return QStringLiteral("INTEGER");
    case db::FieldKind::Float: return QStringLiteral("DOUBLE");
    case db::FieldKind::Text:
    case db::FieldKind::Blob:
    case db::FieldKind::Other: break;
    }
    return QStringLiteral("VARCHAR(255)");
}

} // namespace

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
        field.typeText = typeText(index >= 0 ? query.fieldKind(index) : db::FieldKind::Other);
        field.queryShow = true;
        described.push_back(field);
    }
    return described;
}
