#include "entry/CodeList.h"

#include "core/Prompt.h"
#include "db/Connection.h"
#include "db/Statement.h"

TMenuItemDataArray LoadCodeList(db::Connection& connection, const QString& table) {
    db::Statement rows(connection, QStringLiteral("SELECT ID, Name FROM %1 WHERE ID<>0 ORDER BY Sequence")
                                       .arg(db::quoteIdentifier(table)));
    TMenuItemDataArray list;
    while (rows.next()) list.push_back({int(rows.integer(0)), rows.text(1)});
    return list;
}

QString FindCodeName(const TMenuItemDataArray& list, int code) {
    for (const TCode& entry : list)
        if (entry.code == code) return entry.name;
    return {};
}

int FindCodeId(const TMenuItemDataArray& list, const QString& name) {
    for (const TCode& entry : list)
        if (entry.name == name) return entry.code;
    return 0;
}

QString LookupDivisionName(db::Connection& connection, int code) {
    if (code <= 99999) return {};
    try {
        return connection.scalar(QStringLiteral("Select CombName from CT_CityName where ID=?"), {code}).toString();
    } catch (const db::Error& e) {
        ui::showRunError(e.message(), QStringLiteral(",请与系统管理员或软件发行者联系。"));
        return {};
    }
}

DivisionParts SplitDivisionCode(int code) { return {code / 10000, (code % 10000) / 100, code % 100}; }
