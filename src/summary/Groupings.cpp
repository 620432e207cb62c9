#include "summary/Groupings.h"

#include "core/Prompt.h"
#include "db/Connection.h"

namespace {

// The checks of both stores, with their messages.
bool acceptable(const GroupItem& item) {
    if (item.title.isEmpty()) {
        ui::showMessage(QStringLiteral("必须输入本组数据的名称！"));
        return false;
    }
    if (item.highBoundary <= item.lowBoundary) {
        ui::showMessage(QStringLiteral("上限必须大于下限！"));
        return false;
    }
    return true;
}

QVariantList itemValues(qint64 groupId, const GroupItem& item) {
    return {item.title, groupId, item.lowBoundary, item.highBoundary, item.lowSymbol, item.highSymbol};
}

} // namespace

const TMenuItemDataArray& lowSymbolList() {
    static const TMenuItemDataArray list{{1, QStringLiteral(">")}, {2, QStringLiteral(">=")}};
    return list;
}

const TMenuItemDataArray& highSymbolList() {
    static const TMenuItemDataArray list{{1, QStringLiteral("<")}, {2, QStringLiteral("<=")}};
    return list;
}

bool GroupItemIsComplete(const GroupItem& item) { return !item.title.isEmpty() && item.lowBoundary < item.highBoundary; }

qint64 AddGrouping(db::Connection& connection, const QString& name) {
    connection.execute(QStringLiteral("INSERT INTO ct_group(name, orderstr) VALUES(?, ?)"), {name, defaultGroupOrder()});
    return connection.scalar(QStringLiteral("select max(id) as GroupID from ct_group")).toLongLong();
}

void RenameGrouping(db::Connection& connection, qint64 groupId, const QString& name) {
    connection.execute(QStringLiteral("update ct_group set name=? where id=?"), {name, groupId});
}

void DeleteGrouping(db::Connection& connection, qint64 groupId) {
    db::Transaction transaction(connection);
    connection.execute(QStringLiteral("delete from DT_GroupItem where GroupID=?"), {groupId});
    connection.execute(QStringLiteral("delete from ct_group where id=?"), {groupId});
    transaction.commit();
}

void StoreGroupingOrder(db::Connection& connection, qint64 groupId, const QString& order) {
    connection.execute(QStringLiteral("update CT_Group set orderstr=? where id=?"), {order, groupId});
}

qint64 AddGroupItem(db::Connection& connection, qint64 groupId, const GroupItem& item) {
    if (!acceptable(item)) return 0;
    db::Transaction transaction(connection);
    connection.execute(QStringLiteral("INSERT INTO view_group_item(Title, GroupID, LowBoundary, HighBoundary, "
                                      "LowSymbol, HighSymbol) VALUES(?, ?, ?, ?, ?, ?)"),
                       itemValues(groupId, item));
    const qint64 id = connection.scalar(QStringLiteral("SELECT max(id) FROM DT_GroupItem")).toLongLong();
    transaction.commit();
    return id;
}

bool ModifyGroupItem(db::Connection& connection, qint64 itemId, qint64 groupId, const GroupItem& item) {
    if (!acceptable(item)) return false;
    connection.execute(QStringLiteral("UPDATE view_group_item SET Title=?, GroupID=?, LowBoundary=?, HighBoundary=?, "
                                      "LowSymbol=?, HighSymbol=? WHERE id=?"),
                       itemValues(groupId, item) << itemId);
    return true;
}

void DeleteGroupItem(db::Connection& connection, qint64 itemId) {
    connection.execute(QStringLiteral("DELETE FROM view_group_item WHERE id=?"), {itemId});
}

bool RunShowingErrors(const std::function<void()>& step) {
    try {
        step();
        return true;
    } catch (const db::Error& e) {
        ui::showRunError(e.message(), ui::contactTail());
        return false;
    }
}
