#include "summary/SummaryStatements.h"

#include "db/Connection.h"
#include "db/RecordSet.h"
#include "db/Statement.h"
#include "summary/Groupings.h"

#include <QRegularExpression>
#include <algorithm>

namespace summary {

namespace {

// The indicators of each sheet, written as in the survey form's tables:
// "z001-z004" is every indicator of that range, a trailing "Y" marks a yes/no
// indicator, "W" a weighted average and "count" the number of returns.
struct SheetLayout {
    const char* name;
    const char* indicators;
};

constexpr SheetLayout kLayout[kSummarySheetCount] = {
    {"封面", ""},
    {"表一  工会组织建设及民主参与状况(1)", "count z001-z004 z005Y"},
    {"表一  工会组织建设及民主参与状况(2)", "z006 z007 z008Y z009 z010 z011"},
    {"表二  工会干部协管及教育培训工作(1)", "x001 x002 x003 x004Y x005Y x006Y x007Y x008-x012"},
    {"表二  工会干部协管及教育培训工作(2)", "x013-x018"},
    {"表三  工会权益保障及集体合同工作(1)", "b001-b018"},
    {"表三  工会权益保障及集体合同工作(2)", "b019-b029"},
    {"表三  工会权益保障及集体合同工作(3)", "b030 b031 b032Y b033-b040 b041Y b042"},
    {"表四  工会法律工作(1)", "f001 f002 f003Y f004 f005 f006 f007Y f008Y f009"},
    {"表四  工会法律工作(2)", "f010-f014 f015Y f016 f017 f018"},
    {"表五  工会劳动保护工作", "l001Y l002-l007"},
    {"表六  工会经济技术工作(1)", "j001-j010"},
    {"表六  工会经济技术工作(2)", "j011-j019 j020Y"},
    {"表七  工会财务和经费审查工作(1)", "s001Y s002Y s003Y s004Y s005Y s006Y s007Y"},
    {"表七  工会财务和经费审查工作(2)", "s008-s013"},
    {"表七  工会财务和经费审查工作(3)", "s014-s017 s018Y s019Y s020Y s021"},
    {"表八  工会宣传教育和职工文化体育工作", "w001-w006"},
    {"表九  工会网络工作", "n001-n003"},
    {"表十  工会国际交流工作", "g001-g004"},
    {"附表1  工会干部队伍情况(1)", "d001-d013"},
    {"附表1  工会干部队伍情况(2)", "d014 d015 d016 d017W d018-d025"},
    {"附表1续  工会领导班子情况(1)", "d026-d029 d030Y d031 d032 d033W"},
    {"附表1续  工会领导班子情况(2)", "d034-d043"},
    {"附表2  工会经费审查工作情况", "y001-y012"},
};

// "b033-b040" gives b033, b034, ..., b040.
void addRange(std::vector<SummaryIndicator>& indicators, const QString& from, const QString& to) {
    const QString prefix = from.left(1);
    const qsizetype digits = from.size() - 1;
    for (int n = from.mid(1).toInt(); n <= to.mid(1).toInt(); ++n)
        indicators.push_back({prefix + QString::number(n).rightJustified(digits, QLatin1Char('0')), IndicatorKind::Plain});
}

std::vector<SummaryIndicator> parseIndicators(const QString& text) {
    std::vector<SummaryIndicator> indicators;
    for (const QString& word : text.split(QLatin1Char(' '), Qt::SkipEmptyParts)) {
        if (word == QLatin1String("count")) indicators.push_back({{}, IndicatorKind::Count});
        else if (word.contains(QLatin1Char('-'))) addRange(indicators, word.section(QLatin1Char('-'), 0, 0), word.section(QLatin1Char('-'), 1, 1));
        else if (word.endsWith(QLatin1Char('Y'))) indicators.push_back({word.chopped(1), IndicatorKind::YesNo});
        else if (word.endsWith(QLatin1Char('W'))) indicators.push_back({word.chopped(1), IndicatorKind::WeightedAverage});
        else indicators.push_back({word, IndicatorKind::Plain});
    }
    return indicators;
}

// The weighted mean of `field` by its weight over the returns with `field`
// above 0; 0 when their weights add up to nothing. total() sums as a real
// number, so the division keeps its fraction (37.5, not 37).
QString weightedAverageExpression(const QString& field) {
    const QString weight = averageWeight(field);
    return QStringLiteral("iif(sum(iif(%1>0,%2,0))>0,total(iif(%1>0,%1*%2,0))/sum(iif(%1>0,%2,0)),0)").arg(field, weight);
}

QString resultColumns(const SummarySheet& sheet) {
    QStringList columns;
    for (const SummaryIndicator& indicator : sheet.indicators) {
        const QString& f = indicator.field;
        switch (indicator.kind) {
        case IndicatorKind::Count:
            columns << QStringLiteral("count(*) as cnt");
            break;
        case IndicatorKind::Plain:
            columns << QStringLiteral("sum(%1) as sum_%1").arg(f);
            break;
        case IndicatorKind::YesNo:
            // 1 counts in the first column; 2 and 0 in the second.
            columns << QStringLiteral("sum(%1*(2-%1)) as sum_%1_1").arg(f)
                    << QStringLiteral("sum(cast(%1/2 as integer) + (2-%1)*(1-%1)/2) as sum_%1_2").arg(f);
            break;
        case IndicatorKind::WeightedAverage:
            columns << weightedAverageExpression(f) + QStringLiteral(" as sum_") + f;
            break;
        }
    }
    return columns.join(QLatin1Char(','));
}

// The statements are built once, from the table above.
const std::vector<QString>& statements() {
    static const std::vector<QString> texts = [] {
        std::vector<QString> all;
        for (const SummarySheet& sheet : summarySheets())
            all.push_back(sheet.indicators.empty() ? QString()
                                                   : resultColumns(sheet) + QStringLiteral(" from dt_data where c901>0"));
        return all;
    }();
    return texts;
}

void checkTableSheet(int sheet) {
    if (sheet < kFirstTableSheet || sheet > kSummarySheetCount)
        throw db::Error(QStringLiteral("汇总表%1不存在").arg(sheet));
}

// The result columns of several table sheets side by side in one statement:
// each sheet's columns in order, the sheets in ascending number. `offsets`
// gets where each sheet's columns begin among the values of a row.
struct CombinedColumns {
    QList<int> sheets;
    QString statement;  // the aggregate list and " from dt_data"
    QList<int> offsets;
};

CombinedColumns combinedColumns(const QList<int>& sheets) {
    CombinedColumns combined;
    QStringList lists;
    int offset = 0;
    for (int sheet = kFirstTableSheet; sheet <= kSummarySheetCount; ++sheet) {
        if (!sheets.contains(sheet)) continue;
        const SummarySheet& layout = summarySheets()[size_t(sheet - 1)];
        combined.sheets << sheet;
        combined.offsets << offset;
        offset += resultColumnCount(layout);
        lists << resultColumns(layout);
    }
    combined.statement = lists.join(QLatin1Char(',')) + QStringLiteral(" from dt_data");
    return combined;
}

// Adds the rows of a query, whose first column is the label and whose second
// (a code or a running number) is not shown, to the tables of the sheets
// whose columns follow side by side.
void readRows(db::Statement& query, const CombinedColumns& columns, BreakdownTables& tables) {
    while (query.next()) {
        for (qsizetype s = 0; s < columns.sheets.size(); ++s) {
            const int sheet = columns.sheets[s];
            const int count = resultColumnCount(summarySheets()[size_t(sheet - 1)]);
            SummaryRow row{query.text(0), {}};
            row.values.reserve(count);
            for (int c = 0; c < count; ++c) row.values << query.value(2 + columns.offsets[s] + c);
            tables[sheet].push_back(std::move(row));
        }
    }
}

// A stored order is a list of column names, each with an optional direction;
// anything else (a hand-made grouping file) is not used.
QString safeOrder(const QString& order) {
    static const QRegularExpression orderList(
        QStringLiteral(R"(^\s*\w+(\s+(asc|desc))?\s*(,\s*\w+(\s+(asc|desc))?\s*)*$)"),
        QRegularExpression::CaseInsensitiveOption);
    return orderList.match(order).hasMatch() ? order : defaultGroupOrder();
}

// One statement per item, each over the item's range of unit codes only: its
// bounds come first, so the engine reads just the records between them.
void groupingRows(db::Connection& connection, const CombinedColumns& columns, qint64 groupId, BreakdownTables& tables) {
    const QString stored = groupId == 0
        ? QString()
        : connection.scalar(QStringLiteral("select orderstr from ct_group where id=?"), {groupId}).toString();
    // The items are sorted as the grouping editor's grid sorts them, over the
    // same rows taken last to first: queried in the reversed order and shown
    // reversed, equal items keep the grid's order too.
    db::RecordSet items;
    items.open(connection, groupId == 0 ? QStringLiteral("select * from view_group_item order by id desc")
                                        : QStringLiteral("select * from view_group_item where GroupID=? order by id desc"),
               groupId == 0 ? QVariantList{} : QVariantList{groupId});
    items.sort(reversedOrder(safeOrder(stored.trimmed().isEmpty() ? defaultGroupOrder() : stored)));

    // The bounds are an operator and a number as the grouping editor stores
    // them; the title is bound as a parameter, whatever it holds.
    static const QRegularExpression bound(QStringLiteral(R"(^(>|>=|<|<=|=)-?\d+(\.\d+)?$)"));
    int number = 0;
    for (items.first(); !items.atEnd(); items.next()) {
        const QString title = items.text(QStringLiteral("Title"));
        const QString low = items.text(QStringLiteral("LowValue")), high = items.text(QStringLiteral("HighValue"));
        if (!bound.match(low).hasMatch() || !bound.match(high).hasMatch())
            throw db::Error(QStringLiteral("分组\"%1\"的上下限不正确").arg(title));
        db::Statement item(connection, QStringLiteral(" select ? as ItemName,%1 as sid,%2 where dt_data.c901%3 and dt_data.c901%4 and c901>0")
                                           .arg(++number).arg(columns.statement, low, high));
        item.bind(1, title);
        readRows(item, columns, tables);
    }
    // Queried in the reversed order, shown in the stored one.
    for (auto& table : tables) std::reverse(table.second.begin(), table.second.end());
}

} // namespace

const std::vector<SummarySheet>& summarySheets() {
    static const std::vector<SummarySheet> sheets = [] {
        std::vector<SummarySheet> all;
        for (const SheetLayout& layout : kLayout)
            all.push_back({QString::fromUtf8(layout.name), parseIndicators(QString::fromLatin1(layout.indicators))});
        return all;
    }();
    return sheets;
}

int resultColumnCount(const SummarySheet& sheet) {
    int count = 0;
    for (const SummaryIndicator& indicator : sheet.indicators) count += indicator.kind == IndicatorKind::YesNo ? 2 : 1;
    return count;
}

QString averageWeight(const QString& field) {
    return field == QLatin1String("d017") ? QStringLiteral("d012") : QStringLiteral("x001");
}

QString aggregateStatement(int sheet) {
    checkTableSheet(sheet);
    return statements()[size_t(sheet - 1)];
}

BreakdownTables breakdownTables(db::Connection& connection, const QList<int>& sheets, Breakdown breakdown, qint64 groupId) {
    for (const int sheet : sheets) checkTableSheet(sheet);
    const CombinedColumns columns = combinedColumns(sheets);
    BreakdownTables tables;
    for (const int sheet : columns.sheets) tables[sheet];
    if (columns.sheets.isEmpty()) return tables;
    if (breakdown == Breakdown::Grouping) {
        groupingRows(connection, columns, groupId, tables);
        return tables;
    }
    const bool byLevel = breakdown == Breakdown::Level;
    const QString codes = byLevel ? QStringLiteral("CT_LevelCode") : QStringLiteral("ct_state");
    const QString key = byLevel ? QStringLiteral("c904") : QStringLiteral("c907");
    db::Statement query(connection, QStringLiteral("select code.name,sum_table.*  from %1 code left join (select %2,%3 where c901>0 group by %2) sum_table"
                                                   " on code.id = sum_table.%2 order by code.sequence desc")
                                        .arg(codes, key, columns.statement));
    readRows(query, columns, tables);
    // Queried by descending sequence, shown by ascending sequence.
    for (auto& table : tables) std::reverse(table.second.begin(), table.second.end());
    return tables;
}

std::vector<SummaryRow> breakdownRows(db::Connection& connection, int sheet, Breakdown breakdown, qint64 groupId) {
    checkTableSheet(sheet);
    return breakdownTables(connection, {sheet}, breakdown, groupId).at(sheet);
}

std::map<int, QVariant> weightedTotals(db::Connection& connection, const QList<int>& sheets) {
    QList<int> averaged;
    QStringList expressions;
    for (const int sheet : sheets) {
        checkTableSheet(sheet);
        for (const SummaryIndicator& indicator : summarySheets()[size_t(sheet - 1)].indicators) {
            if (indicator.kind != IndicatorKind::WeightedAverage) continue;
            averaged << sheet;
            expressions << QStringLiteral("%1 as sum_%2_cnt").arg(weightedAverageExpression(indicator.field), indicator.field);
            break;
        }
    }
    std::map<int, QVariant> totals;
    if (averaged.isEmpty()) return totals;
    db::Statement query(connection, QStringLiteral("select %1 from dt_data").arg(expressions.join(u',')));
    query.next();
    for (qsizetype i = 0; i < averaged.size(); ++i) totals[averaged[i]] = query.value(int(i));
    return totals;
}

QString reversedOrder(const QString& order) {
    if (order.isEmpty()) return reversedOrder(QStringLiteral("id ASC"));
    QString reversed = order;
    if (order.contains(QLatin1String("DESC"))) {
        reversed.replace(order.indexOf(QLatin1String("desc"), 0, Qt::CaseInsensitive), 4, QStringLiteral("asc"));
    } else if (order.contains(QLatin1String("ASC"))) {
        reversed.replace(order.indexOf(QLatin1String("asc"), 0, Qt::CaseInsensitive), 3, QStringLiteral("desc"));
    }
    return reversed;
}

} // namespace summary
