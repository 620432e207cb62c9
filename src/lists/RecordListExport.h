#pragma once

#include "core/CheckListFile.h"
#include "summary/Groupings.h"

#include <QString>
#include <QVariantList>
#include <optional>
#include <vector>

class WorkingDatabase;
namespace db {
class Connection;
}

// The record list export: the cover columns, RecordState and the indicators
// of the chosen survey tables, of all records, of a range of unit codes or of
// one item of a custom grouping, written to a workbook by SaveQueryAsExcel.

// The thirteen survey tables in list order, each selecting the fields whose
// name starts with its prefix within a range of DT_FieldList.sequence.
struct ExportTable {
    const char* text;
    const char* prefix;
    int sequenceAbove;
    int sequenceBelow;
};
const std::vector<ExportTable>& exportTables();

// "exporttable.qv" in the program folder, the list of tables with their ticks.
QString exportTableFileName();
// The list from the file at `path`; a file that cannot be read or does not
// hold the thirteen tables gives them enabled and not ticked. The position of
// an item names its table.
std::vector<CheckListLine> readExportTableList(const QString& path);

// The fields of the enabled and ticked tables in list order: empty, or a
// comma followed by the field names joined by commas.
QString ExportFieldList(db::Connection& connection, const std::vector<CheckListLine>& tables);

// One item of a custom grouping, offered by the group option.
struct ExportGroup {
    qint64 id = 0;
    GroupItem item;
};
// Every DT_GroupItem row, in the table's order.
std::vector<ExportGroup> LoadExportGroups(db::Connection& connection);

// What the clerk chose in the dialog.
struct ListExportChoice {
    enum class Scope { AllRecords, CodeRange, Group };
    Scope scope = Scope::AllRecords;
    QString fromCode;  // the two code fields of the range, as typed
    QString toCode;
    std::optional<ExportGroup> group;  // the current group
    std::vector<CheckListLine> tables;
};

struct ListExportQuery {
    QString sql;
    QVariantList params;
};

// The statement of the export. A range needs both codes, neither zero
// ("请输入单位编号的范围"); a lower bound below 1 becomes 100000000000 and an
// upper bound below the lower one becomes the lower one, `toCode` then taking
// the text of `fromCode`. A group needs both bounds non-zero and its symbols
// (">" or ">=", "<" or "<=") ("自定义分组不正确"). A refused choice shows its
// message and gives no statement.
std::optional<ListExportQuery> BuildListExportQuery(db::Connection& connection, ListExportChoice& choice);

// Builds the statement, runs it and hands its rows with every field to
// SaveQueryAsExcel under the name database label + "数据列表". Database errors
// are shown as the system's error message.
void ExportRecordList(WorkingDatabase& working, ListExportChoice& choice);
