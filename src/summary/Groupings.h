#pragma once

#include "entry/CodeList.h"

#include <QString>
#include <functional>

namespace db {
class Connection;
}

// Custom groupings: a grouping (a row of CT_Group) is a named list of items
// (rows of DT_GroupItem, edited through view_group_item), each a range of unit
// codes between a lower and an upper bound with their comparison symbols. The
// summary breaks its statements down by the items of one grouping, in the
// grouping's stored order.
//
// Names, titles and symbols are always bound as parameters, so any text a
// clerk types is stored as typed. Database errors are raised as db::Error.

// The grouping list and the items of one grouping (bound to the grouping's id).
inline QString groupListSql() { return QStringLiteral("SELECT ID, Name,orderstr FROM ct_group;"); }
inline QString groupItemsSql() { return QStringLiteral("SELECT *\nfrom view_group_item\nwhere GroupID=?"); }

// The order of a new grouping's items.
inline QString defaultGroupOrder() { return QStringLiteral("id ASC"); }

// The comparison symbols the pickers offer: ">" (1) and ">=" (2) below, "<" (1)
// and "<=" (2) above; a new item takes ">=" and "<".
const TMenuItemDataArray& lowSymbolList();
const TMenuItemDataArray& highSymbolList();
constexpr int kDefaultLowSymbol = 2;
constexpr int kDefaultHighSymbol = 1;

// One item as the editor holds it.
struct GroupItem {
    QString title;
    qint64 lowBoundary = 0;
    QString lowSymbol;
    qint64 highBoundary = 0;
    QString highSymbol;
};

// An item can be stored: it has a title and its lower bound is below its upper bound.
bool GroupItemIsComplete(const GroupItem& item);

// Adds a grouping with the order "id ASC" and returns its id.
qint64 AddGrouping(db::Connection& connection, const QString& name);
void RenameGrouping(db::Connection& connection, qint64 groupId, const QString& name);
// Deletes a grouping together with its items, all or nothing: items left behind
// would still be exported and offered by the list export.
void DeleteGrouping(db::Connection& connection, qint64 groupId);
// Stores the order of a grouping's items: a column and " ASC" or " DESC".
void StoreGroupingOrder(db::Connection& connection, qint64 groupId, const QString& order);

// Stores an item of a grouping after the checks: a missing title gives
// "必须输入本组数据的名称！", an upper bound not above the lower bound
// "上限必须大于下限！", and nothing is written. AddGroupItem returns the new
// item's id (0 when refused); ModifyGroupItem writes over item `itemId`.
qint64 AddGroupItem(db::Connection& connection, qint64 groupId, const GroupItem& item);
bool ModifyGroupItem(db::Connection& connection, qint64 itemId, qint64 groupId, const GroupItem& item);
void DeleteGroupItem(db::Connection& connection, qint64 itemId);

// Runs a step of the grouping dialogs; a database error shows
// "运行中发生错误：" + its message + ",请与软件发行者联系。". False after an error.
bool RunShowingErrors(const std::function<void()>& step);
