#pragma once

#include <QList>
#include <QString>
#include <vector>

namespace db {
class Connection;
}

// Which fields the record lists show: the Visible flag of the field metadata,
// chosen per survey sheet.
struct FieldVisibility {
    qint64 id = 0;
    QString fieldName;
    QString hint;
    int pageId = 0;
    QString sheetName;
    bool visible = false;
};

// The fields of the survey sheets (PageID 0 and above), by sheet and sequence.
std::vector<FieldVisibility> LoadFieldVisibility(db::Connection& connection);

// Makes exactly the fields `visibleIds` visible among the sheets' fields, in
// one transaction. Fields without a sheet (such as RecordState) keep their flag:
// nothing offers them, so nothing may hide them.
void SaveFieldVisibility(db::Connection& connection, const QList<qint64>& visibleIds);
