#include "lists/FieldVisibility.h"

#include "db/Connection.h"
#include "db/Statement.h"

std::vector<FieldVisibility> LoadFieldVisibility(db::Connection& connection) {
    db::Statement query(connection, QStringLiteral("select * from view_FieldList where PageID >=0 order by PageID,sequence"));
    const int id = query.columnIndex(QStringLiteral("id"));
    const int fieldName = query.columnIndex(QStringLiteral("FieldName"));
    const int hint = query.columnIndex(QStringLiteral("Hint"));
    const int pageId = query.columnIndex(QStringLiteral("PageID"));
    const int sheetName = query.columnIndex(QStringLiteral("SheetName"));
    const int visible = query.columnIndex(QStringLiteral("visible"));
    std::vector<FieldVisibility> fields;
    while (query.next())
        fields.push_back({query.integer(id), query.text(fieldName), query.text(hint), int(query.integer(pageId)),
                          query.text(sheetName), query.integer(visible) != 0});
    return fields;
}

void SaveFieldVisibility(db::Connection& connection, const QList<qint64>& visibleIds) {
    db::Transaction transaction(connection);
    connection.execute(QStringLiteral("update view_fieldlist set visible=false where PageID>=0"));
    db::Statement show(connection, QStringLiteral("update view_fieldlist set visible=true where id=?"));
    for (qint64 id : visibleIds) {
        show.bind(1, id);
        show.run();
    }
    transaction.commit();
}
