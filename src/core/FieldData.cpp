#include "core/FieldData.h"

#include "db/Statement.h"

TFieldDataArray LoadFieldDataArray(db::Connection& connection) {
    db::Statement rows(connection, QStringLiteral("SELECT ID, ShowName, Hint, FieldWidth, FieldType, Visible, QueryShow, "
                                                  "QueryType FROM DT_FieldList ORDER BY sequence, ID"));
    TFieldDataArray fields;
    while (rows.next())
        fields.push_back({int(rows.integer(0)), rows.text(1), rows.text(2), int(rows.integer(3)), rows.text(4),
                          rows.integer(5) != 0, rows.integer(6) != 0, int(rows.integer(7))});
    return fields;
}
