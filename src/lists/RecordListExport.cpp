#include "lists/RecordListExport.h"

#include "core/Prompt.h"
#include "core/Startup.h"
#include "db/RecordSet.h"
#include "db/Statement.h"
#include "lists/TableExport.h"

namespace {

// The lowest unit code a range starts from when its lower bound is below 1.
constexpr double kLowestCode = 100000000000.0;

const QString kCoverColumns = QStringLiteral("select c901,c902,c903,c904,c905,c906,c907,RecordState");

} // namespace

const std::vector<ExportTable>& exportTables() {
    static const std::vector<ExportTable> tables{
        {"表一 工会组织建设及民主参与状况", "z", 7, 1000},
        {"表二 工会干部协管及教育培训工作", "x", 7, 1000},
        {"表三 工会权益保障及集体合同工作", "b", 7, 1000},
        {"表四 工会法律工作", "f", 7, 1000},
        {"表五 工会劳动保护工作", "l", 7, 1000},
        {"表六 工会经济技术工作", "j", 7, 1000},
        {"表七 工会财务和经费审查工作", "s", 7, 1000},
        {"表八 工会宣传教育和职工文化体育工作", "w", 7, 1000},
        {"表九 工会网络工作", "n", 7, 1000},
        {"表十 工会国际交流工作", "g", 7, 1000},
        {"附表1  工会干部队伍情况", "d", 7, 301},
        {"附表1续  工会领导班子情况", "d", 300, 1000},
        {"附表2  工会经费审查工作情况", "y", 7, 1000},
    };
    return tables;
}

QString exportTableFileName() { return QStringLiteral("exporttable.qv"); }

std::vector<CheckListLine> readExportTableList(const QString& path) {
    std::vector<CheckListLine> items = readCheckListFile(path);
    if (items.size() == exportTables().size()) return items;
    items.clear();
    for (const ExportTable& table : exportTables()) items.push_back({QString::fromUtf8(table.text), true, 0});
    return items;
}

QString ExportFieldList(db::Connection& connection, const std::vector<CheckListLine>& tables) {
    // A table's fields are those whose name begins with its prefix.
    db::Statement fields(connection, QStringLiteral("select FieldName from dt_fieldlist where substr(FieldName,1,1)=? "
                                                    "and sequence>? and sequence<? order by sequence"));
    QString list;
    for (size_t i = 0; i < tables.size() && i < exportTables().size(); ++i) {
        if (!tables[i].enabled || tables[i].check != 1) continue;
        const ExportTable& table = exportTables()[i];
        fields.bindAll({QString::fromLatin1(table.prefix), table.sequenceAbove, table.sequenceBelow});
        while (fields.next()) list += u',' + fields.text(0);
        fields.reset();
    }
    return list;
}

std::vector<ExportGroup> LoadExportGroups(db::Connection& connection) {
    db::Statement rows(connection, QStringLiteral("select id, Title, LowBoundary, LowSymbol, HighBoundary, HighSymbol "
                                                  "from DT_GroupItem order by id"));
    std::vector<ExportGroup> groups;
    while (rows.next())
        groups.push_back({rows.integer(0), {rows.text(1), rows.integer(2), rows.text(3), rows.integer(4), rows.text(5)}});
    return groups;
}

std::optional<ListExportQuery> BuildListExportQuery(db::Connection& connection, ListExportChoice& choice) {
    const QString select = kCoverColumns + ExportFieldList(connection, choice.tables);
    switch (choice.scope) {
    case ListExportChoice::Scope::AllRecords: return ListExportQuery{select + QStringLiteral(" from dt_data order by c901"), {}};
    case ListExportChoice::Scope::CodeRange: {
        const double typedLower = choice.fromCode.trimmed().toDouble();
        double upper = choice.toCode.trimmed().toDouble();
        if (choice.fromCode.trimmed().isEmpty() || choice.toCode.trimmed().isEmpty() || typedLower == 0 || upper == 0) {
            ui::showMessage(QStringLiteral("请输入单位编号的范围"));
            return std::nullopt;
        }
        const double lower = typedLower < 1 ? kLowestCode : typedLower;
        if (upper < lower) {
            upper = lower;
            choice.toCode = choice.fromCode;
        }
        return ListExportQuery{select + QStringLiteral(" from dt_data where c901>=? and c901<=? order by c901"), {lower, upper}};
    }
    case ListExportChoice::Scope::Group: {
        const bool valid = choice.group && choice.group->item.lowBoundary != 0 && choice.group->item.highBoundary != 0
                           && (choice.group->item.lowSymbol == QLatin1String(">") || choice.group->item.lowSymbol == QLatin1String(">="))
                           && (choice.group->item.highSymbol == QLatin1String("<") || choice.group->item.highSymbol == QLatin1String("<="));
        if (!valid) {
            ui::showMessage(QStringLiteral("自定义分组不正确"));
            return std::nullopt;
        }
        const GroupItem& item = choice.group->item;
        return ListExportQuery{select + QStringLiteral(" from dt_data where c901") + item.lowSymbol + QStringLiteral("? and c901")
                                   + item.highSymbol + QStringLiteral("? order by c901"),
                               {item.lowBoundary, item.highBoundary}};
    }
    }
    return std::nullopt;
}

void ExportRecordList(WorkingDatabase& working, ListExportChoice& choice) {
    try {
        const std::optional<ListExportQuery> statement = BuildListExportQuery(working.connection, choice);
        if (!statement) return;
        db::RecordSet query;
        query.open(working.connection, statement->sql, statement->params);
        TFieldDataArray columns;
        for (int f = 0; f < query.fieldCount(); ++f) {
            TFieldData column;
            column.showName = query.fieldName(f);
            column.title = column.showName;
            column.typeText = ColumnTypeText(query.fieldKind(f));
            column.queryShow = true;
            columns.push_back(column);
        }
        SaveQueryAsExcel(query, working.label + QStringLiteral("数据列表"), columns);
    } catch (const db::Error& e) {
        ui::showRunError(e.message(), QStringLiteral(",请与系统管理员或软件发行者联系。"));
    }
}
